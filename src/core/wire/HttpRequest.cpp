#include "wire/HttpRequest.h"

namespace {

// `extraLines` (each with its CR LF) go just before the Host line.
QByteArray requestText(const QString &host, const QString &path, const QByteArray &range,
                       const QByteArray &extraLines = {})
{
    QByteArray text;
    text += "GET " + path.toUtf8() + " HTTP/1.1\r\n";
    text += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
    text += "Accept-Language: fr\r\n";
    text += "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n";
    text += "Range: bytes=" + range + "\r\n";
    text += extraLines;
    text += "Host: " + host.toUtf8() + "\r\n";
    text += "Connection: Keep-Alive\r\n";
    text += "\r\n";
    return text;
}

} // namespace

QByteArray HttpRequest::probeText(const QString &host, const QString &path)
{
    return requestText(host, path, "0-");
}

QByteArray HttpRequest::packText(const QString &host, const QString &path, qint64 first,
                                 qint64 last, const ServerValidators &validators)
{
    const bool strongTag = !validators.etag.isEmpty() && !validators.etag.startsWith("W/");
    const QByteArray version = strongTag ? validators.etag : validators.modified;
    const QByteArray ifRange = version.isEmpty() ? QByteArray() : "If-Range: " + version + "\r\n";
    return requestText(host, path, QByteArray::number(first) + '-' + QByteArray::number(last),
                       ifRange);
}
