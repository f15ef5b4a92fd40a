#include "NativeFrame.h"

#include "wire/HandoffMessage.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace NativeFrame {

namespace {

// Reads exactly size bytes, however the pipe delivers them; shorter when input ends. Input is
// a blocking pipe: a read returns nothing only at its end.
QByteArray readExactly(QIODevice &input, qint64 size)
{
    QByteArray data;
    while (data.size() < size) {
        const QByteArray chunk = input.read(size - data.size());
        if (chunk.isEmpty())
            break;
        data += chunk;
    }
    return data;
}

// The text of a key the message may leave out.
std::optional<QString> optionalText(const QJsonObject &message, const QString &key)
{
    const QJsonValue value = message.value(key);
    if (value.isUndefined())
        return QString();
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

std::optional<HandedOver> handedOver(const QJsonObject &message)
{
    const QJsonValue url = message.value(QStringLiteral("url"));
    const auto cookie = optionalText(message, QStringLiteral("cookie"));
    const auto referer = optionalText(message, QStringLiteral("referer"));
    const auto userAgent = optionalText(message, QStringLiteral("userAgent"));
    if (!url.isString() || url.toString().isEmpty() || !cookie || !referer || !userAgent)
        return std::nullopt;
    const HandedOver found{url.toString(), {*cookie, *referer, *userAgent}};
    return HandoffMessage::carries(found) ? std::optional(found) : std::nullopt;
}

} // namespace

std::optional<HandedOver> read(QIODevice &input)
{
    const QByteArray header = readExactly(input, sizeof(quint32));
    if (header.size() != qsizetype(sizeof(quint32)))
        return std::nullopt;
    quint32 length = 0;
    std::memcpy(&length, header.constData(), sizeof length);
    if (length > HandoffMessage::MaxBytes)
        return std::nullopt;
    const QByteArray body = readExactly(input, length);
    if (body.size() != qsizetype(length))
        return std::nullopt;
    return handedOver(QJsonDocument::fromJson(body).object());
}

void writeReply(QIODevice &output, bool delivered)
{
    const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("delivered"), delivered}})
                                .toJson(QJsonDocument::Compact);
    const quint32 length = quint32(body.size());
    QByteArray header(sizeof length, '\0');
    std::memcpy(header.data(), &length, sizeof length);
    output.write(header + body);
}

} // namespace NativeFrame
