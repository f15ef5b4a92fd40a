#pragma once

#include "store/ProjectAccess.h"
#include "store/ServerValidators.h"

#include <QByteArray>
#include <QString>

// The GET requests Quillfetch sends: CR LF line ends, a blank line last, the Host line naming
// the server as the URL writes it (port included, without a user name).
//
// With an access, a request also carries its login as Basic authorization, the browser's cookies
// and referer, and the browser's user agent in place of ours; control characters in those values
// are dropped, so that none can end a line early. Without one it is as it always was.
namespace HttpRequest {

// A plain HTTP request handed to an HTTP proxy: its target in absolute form ("GET http://...")
// and, with a login, a Proxy-Authorization line.
struct ViaProxy
{
    bool forward = false;
    QByteArray authorization; // "Basic ..."; empty: no login
};

// The probe's: the file from its first byte ("Range: bytes=0-").
QByteArray probeText(const QString &host, const QString &path, const ProjectAccess &access = {},
                     const ViaProxy &proxy = {});

// A pack's: bytes first..last. With validators it carries "If-Range" (the ETag, else the
// Last-Modified date; a weak ETag cannot serve), so a server whose file changed answers with the
// whole new file instead of a range.
QByteArray packText(const QString &host, const QString &path, qint64 first, qint64 last,
                    const ServerValidators &validators = {}, const ProjectAccess &access = {},
                    const ViaProxy &proxy = {});

// The request that asks an HTTP proxy for a tunnel to authority ("h.test:443", "[::1]:443"), with
// the proxy's login when authorization is not empty.
QByteArray connectText(const QString &authority, const QByteArray &authorization);

} // namespace HttpRequest
