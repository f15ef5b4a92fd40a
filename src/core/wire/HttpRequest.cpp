#include "wire/HttpRequest.h"

namespace {

QByteArray proxyLogin(const QByteArray &authorization)
{
    return authorization.isEmpty() ? QByteArray()
                                   : "Proxy-Authorization: " + authorization + "\r\n";
}

// `extraLines` (each with its CR LF) go just before the Host line.
QByteArray requestText(const QString &host, const QString &path, const QByteArray &range,
                       const HttpRequest::ViaProxy &proxy, const QByteArray &extraLines = {})
{
    const QByteArray target =
        (proxy.forward ? "http://" + host.toUtf8() : QByteArray()) + path.toUtf8();
    QByteArray text;
    text += "GET " + target + " HTTP/1.1\r\n";
    text += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
    text += "Accept-Language: fr\r\n";
    text += "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n";
    text += "Range: bytes=" + range + "\r\n";
    text += extraLines + proxyLogin(proxy.authorization);
    text += "Host: " + host.toUtf8() + "\r\n";
    text += "Connection: Keep-Alive\r\n";
    text += "\r\n";
    return text;
}

} // namespace

QByteArray HttpRequest::probeText(const QString &host, const QString &path, const ViaProxy &proxy)
{
    return requestText(host, path, "0-", proxy);
}

QByteArray HttpRequest::packText(const QString &host, const QString &path, qint64 first,
                                 qint64 last, const ServerValidators &validators,
                                 const ViaProxy &proxy)
{
    const bool strongTag = !validators.etag.isEmpty() && !validators.etag.startsWith("W/");
    const QByteArray version = strongTag ? validators.etag : validators.modified;
    const QByteArray ifRange = version.isEmpty() ? QByteArray() : "If-Range: " + version + "\r\n";
    return requestText(host, path, QByteArray::number(first) + '-' + QByteArray::number(last),
                       proxy, ifRange);
}

QByteArray HttpRequest::connectText(const QString &authority, const QByteArray &authorization)
{
    return "CONNECT " + authority.toUtf8() + " HTTP/1.1\r\nHost: " + authority.toUtf8() + "\r\n" +
           proxyLogin(authorization) + "\r\n";
}
