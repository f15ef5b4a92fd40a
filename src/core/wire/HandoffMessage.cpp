#include "wire/HandoffMessage.h"

#include <QStringDecoder>

#include <algorithm>

namespace HandoffMessage {

QByteArray compose(const QString &url)
{
    return QByteArray(Marker) + url.toUtf8();
}

std::optional<QString> urlOf(const QByteArray &message)
{
    if (message.size() > MaxBytes || !message.startsWith(Marker))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString url = decoder(message.mid(qsizetype(sizeof(Marker) - 1)));
    const bool control = std::any_of(url.cbegin(), url.cend(),
                                     [](QChar c) { return c.category() == QChar::Other_Control; });
    if (decoder.hasError() || control || url.trimmed().isEmpty())
        return std::nullopt;
    return url;
}

} // namespace HandoffMessage
