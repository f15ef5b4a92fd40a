#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The texts Quillfetch sends to servers, shared by the probe and the pack transfers.

// The GET request for `range` ("0-" or "<first>-<last>"): CR LF line ends, a blank line last.
// `extraLines` (each with its CR LF) go just before the Host line.
QByteArray httpRequestText(const QString &host, const QString &path, QByteArrayView range,
                           QByteArrayView extraLines = {});

