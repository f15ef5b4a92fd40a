#include "store/ChecksumRecord.h"

#include "store/TextLines.h"

namespace {

constexpr qsizetype MaxTextBytes = 1024;

std::optional<Checksum> digestIn(const std::optional<QByteArray> &value)
{
    return value ? Checksum::parse(QString::fromLatin1(*value)) : std::nullopt;
}

} // namespace

QByteArray ChecksumRecord::toText() const
{
    QByteArray text = TextLines::line("expected:", expected.text());
    if (actual)
        text += TextLines::line("actual:", actual->text());
    return text;
}

std::optional<ChecksumRecord> ChecksumRecord::parse(const QByteArray &text)
{
    if (text.size() > MaxTextBytes)
        return std::nullopt;
    TextLines::KeyReader reader(text);
    const std::optional<Checksum> expected = digestIn(reader.next("expected:"));
    if (!expected)
        return std::nullopt;
    return ChecksumRecord{*expected, digestIn(reader.next("actual:"))};
}
