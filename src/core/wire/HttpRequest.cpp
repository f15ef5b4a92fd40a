#include "wire/HttpRequest.h"

namespace {

const QByteArray OurUserAgent = "Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)";

QByteArray headerValue(const QString &value)
{
    QByteArray bytes = value.toUtf8();
    bytes.removeIf([](char c) { return uchar(c) < 0x20 || c == 0x7f; });
    return bytes;
}

QByteArray headerLine(const char *name, const QString &value)
{
    return value.isEmpty() ? QByteArray() : name + headerValue(value) + "\r\n";
}

// The lines of the access that go just before the Host line.
QByteArray accessLines(const ProjectAccess &access)
{
    const Login &login = access.login;
    const QByteArray basic = (login.user + u':' + login.password).toUtf8().toBase64();
    return (login.isEmpty() ? QByteArray() : "Authorization: Basic " + basic + "\r\n") +
           headerLine("Cookie: ", access.browser.cookie) +
           headerLine("Referer: ", access.browser.referer);
}

QByteArray proxyLogin(const QByteArray &authorization)
{
    return authorization.isEmpty() ? QByteArray()
                                   : "Proxy-Authorization: " + authorization + "\r\n";
}

// `extraLines` (each with its CR LF) go just before the Host line.
QByteArray requestText(const QString &host, const QString &path, const QByteArray &range,
                       const ProjectAccess &access, const HttpRequest::ViaProxy &proxy,
                       const QByteArray &extraLines = {})
{
    const QString &agent = access.browser.userAgent;
    const QByteArray target =
        (proxy.forward ? "http://" + host.toUtf8() : QByteArray()) + path.toUtf8();
    QByteArray text;
    text += "GET " + target + " HTTP/1.1\r\n";
    text += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
    text += "Accept-Language: fr\r\n";
    text += "User-Agent: " + (agent.isEmpty() ? OurUserAgent : headerValue(agent)) + "\r\n";
    text += "Range: bytes=" + range + "\r\n";
    text += extraLines + proxyLogin(proxy.authorization);
    text += accessLines(access);
    text += "Host: " + host.toUtf8() + "\r\n";
    text += "Connection: Keep-Alive\r\n";
    text += "\r\n";
    return text;
}

} // namespace

QByteArray HttpRequest::probeText(const QString &host, const QString &path,
                                  const ProjectAccess &access, const ViaProxy &proxy)
{
    return requestText(host, path, "0-", access, proxy);
}

QByteArray HttpRequest::packText(const QString &host, const QString &path, qint64 first,
                                 qint64 last, const ServerValidators &validators,
                                 const ProjectAccess &access, const ViaProxy &proxy)
{
    const bool strongTag = !validators.etag.isEmpty() && !validators.etag.startsWith("W/");
    const QByteArray version = strongTag ? validators.etag : validators.modified;
    const QByteArray ifRange = version.isEmpty() ? QByteArray() : "If-Range: " + version + "\r\n";
    return requestText(host, path, QByteArray::number(first) + '-' + QByteArray::number(last),
                       access, proxy, ifRange);
}

QByteArray HttpRequest::connectText(const QString &authority, const QByteArray &authorization)
{
    return "CONNECT " + authority.toUtf8() + " HTTP/1.1\r\nHost: " + authority.toUtf8() + "\r\n" +
           proxyLogin(authorization) + "\r\n";
}
