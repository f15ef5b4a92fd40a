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

// `extraLines` (each with its CR LF) go just before the Host line.
QByteArray requestText(const QString &host, const QString &path, const QByteArray &range,
                       const ProjectAccess &access, const QByteArray &extraLines = {})
{
    const QString &agent = access.browser.userAgent;
    QByteArray text;
    text += "GET " + path.toUtf8() + " HTTP/1.1\r\n";
    text += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
    text += "Accept-Language: fr\r\n";
    text += "User-Agent: " + (agent.isEmpty() ? OurUserAgent : headerValue(agent)) + "\r\n";
    text += "Range: bytes=" + range + "\r\n";
    text += extraLines;
    text += accessLines(access);
    text += "Host: " + host.toUtf8() + "\r\n";
    text += "Connection: Keep-Alive\r\n";
    text += "\r\n";
    return text;
}

} // namespace

QByteArray HttpRequest::probeText(const QString &host, const QString &path,
                                  const ProjectAccess &access)
{
    return requestText(host, path, "0-", access);
}

QByteArray HttpRequest::packText(const QString &host, const QString &path, qint64 first,
                                 qint64 last, const ServerValidators &validators,
                                 const ProjectAccess &access)
{
    const bool strongTag = !validators.etag.isEmpty() && !validators.etag.startsWith("W/");
    const QByteArray version = strongTag ? validators.etag : validators.modified;
    const QByteArray ifRange = version.isEmpty() ? QByteArray() : "If-Range: " + version + "\r\n";
    return requestText(host, path, QByteArray::number(first) + '-' + QByteArray::number(last),
                       access, ifRange);
}
