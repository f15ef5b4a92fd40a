#include "wire/HandoffMessage.h"

#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace HandoffMessage {

namespace {

struct Header
{
    QLatin1StringView line; // the name and ": "
    QString BrowserHeaders::*value;
};

const std::array<Header, 3> Headers{{
    {QLatin1StringView("Cookie: "), &BrowserHeaders::cookie},
    {QLatin1StringView("Referer: "), &BrowserHeaders::referer},
    {QLatin1StringView("User-Agent: "), &BrowserHeaders::userAgent},
}};

bool hasControl(QStringView text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

// Fills the header a line names; false for any other line, and for a header named again.
bool readLine(QStringView line, BrowserHeaders &browser)
{
    for (const Header &header : Headers) {
        if (!line.startsWith(header.line))
            continue;
        QString &value = browser.*header.value;
        if (!value.isEmpty())
            return false;
        value = line.mid(header.line.size()).toString();
        return !value.isEmpty() && !hasControl(value);
    }
    return false;
}

} // namespace

QByteArray compose(const HandedOver &handedOver)
{
    QString text = handedOver.url;
    for (const Header &header : Headers) {
        const QString &value = handedOver.browser.*header.value;
        if (!value.isEmpty())
            text += u'\n' + header.line + value;
    }
    return QByteArray(Marker) + text.toUtf8();
}

std::optional<HandedOver> read(const QByteArray &message)
{
    if (message.size() > MaxBytes || !message.startsWith(Marker))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(message.mid(qsizetype(sizeof(Marker) - 1)));
    if (decoder.hasError())
        return std::nullopt;
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    HandedOver handedOver{lines.first().toString(), {}};
    if (hasControl(handedOver.url) || handedOver.url.trimmed().isEmpty())
        return std::nullopt;
    for (qsizetype at = 1; at < lines.size(); ++at) {
        if (!readLine(lines.at(at), handedOver.browser))
            return std::nullopt;
    }
    return handedOver;
}

bool carries(const HandedOver &handedOver)
{
    return read(compose(handedOver)) == handedOver;
}

} // namespace HandoffMessage
