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

} // namespace

std::optional<QString> readUrl(QIODevice &input)
{
    const QByteArray header = readExactly(input, sizeof(quint32));
    if (header.size() != qsizetype(sizeof(quint32)))
        return std::nullopt;
    quint32 length = 0;
    std::memcpy(&length, header.constData(), sizeof length);
    if (length > HandoffMessage::MaxBytes)
        return std::nullopt;
    const QByteArray body = readExactly(input, length);
    const QJsonValue url = QJsonDocument::fromJson(body).object().value(QStringLiteral("url"));
    if (body.size() != qsizetype(length) || !url.isString() || url.toString().isEmpty())
        return std::nullopt;
    return url.toString();
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
