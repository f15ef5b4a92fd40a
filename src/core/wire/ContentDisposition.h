#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// The file name a Content-Disposition value gives (RFC 6266): "filename*" in the encoding of
// RFC 8187 (UTF-8 or ISO-8859-1) when it can be read, else "filename" (a token or a quoted
// string, UTF-8 when valid, else ISO-8859-1). Only its last path segment counts, made safe and
// fitted as every name from a server is (FileNames::fitted); nullopt when there is no name, or
// nothing of it is left.
std::optional<QString> dispositionFileName(QByteArrayView value);
