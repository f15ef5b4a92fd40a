#include "probe/RequestTexts.h"

QByteArray httpRequestText(const QString &host, const QString &path, QByteArrayView range,
                           QByteArrayView extraLines)
{
    QByteArray text;
    text += "GET " + path.toUtf8() + " HTTP/1.1\r\n";
    text += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
    text += "Accept-Language: fr\r\n";
    text += "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n";
    text += "Range: bytes=" + range.toByteArray() + "\r\n";
    text += extraLines.toByteArray();
    text += "Host: " + host.toUtf8() + "\r\n";
    text += "Connection: Keep-Alive\r\n";
    text += "\r\n";
    return text;
}
