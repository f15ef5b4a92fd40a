#pragma once

#include "store/ServerValidators.h"

#include <QByteArray>
#include <QString>

// The GET requests Quillfetch sends: CR LF line ends, a blank line last, the Host line naming
// the server as the URL writes it (port included, without a user name).
namespace HttpRequest {

// The probe's: the file from its first byte ("Range: bytes=0-").
QByteArray probeText(const QString &host, const QString &path);

// A pack's: bytes first..last. With validators it carries "If-Range" (the ETag, else the
// Last-Modified date; a weak ETag cannot serve), so a server whose file changed answers with the
// whole new file instead of a range.
QByteArray packText(const QString &host, const QString &path, qint64 first, qint64 last,
                    const ServerValidators &validators = {});

} // namespace HttpRequest
