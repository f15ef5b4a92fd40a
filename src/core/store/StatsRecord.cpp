#include "store/StatsRecord.h"

#include "store/TextLines.h"

#include <tuple>
#include <utility>

namespace {

const QByteArray separator = QByteArrayLiteral(" | ");

QString speedLine(const QString &speed, const QString &bits)
{
    return speed + QString::fromLatin1(separator) + bits;
}

// Splits "<speed> | <bits>" at its first separator. A value that ends in the separator without
// its last blank (trimmed by an editor) has no bits; any other value without one is all speed.
// So a value reads back the same once written again.
std::pair<QString, QString> speedPair(const QByteArray &value)
{
    const QByteArray trimmedSeparator = separator.chopped(1);
    qsizetype at = value.indexOf(separator);
    if (at < 0 && value.endsWith(trimmedSeparator))
        at = value.size() - trimmedSeparator.size();
    if (at < 0)
        return {QString::fromUtf8(value), QString()};
    return {QString::fromUtf8(value.left(at)), QString::fromUtf8(value.mid(at + separator.size()))};
}

} // namespace

QByteArray StatsRecord::toText() const
{
    return TextLines::line("Time:", time) +
           TextLines::line("Hspeed:", speedLine(highestSpeed, highestBits)) +
           TextLines::line("Lspeed:", speedLine(lowestSpeed, lowestBits)) +
           TextLines::line("Mspeed:", speedLine(averageSpeed, averageBits));
}

std::optional<StatsRecord> StatsRecord::parse(const QByteArray &text)
{
    TextLines::KeyReader reader(text);
    const auto time = reader.next("Time:");
    const auto highest = reader.next("Hspeed:");
    const auto lowest = reader.next("Lspeed:");
    const auto average = reader.next("Mspeed:");
    if (!time || !highest || !lowest || !average)
        return std::nullopt;
    StatsRecord record;
    record.time = QString::fromUtf8(*time);
    std::tie(record.highestSpeed, record.highestBits) = speedPair(*highest);
    std::tie(record.lowestSpeed, record.lowestBits) = speedPair(*lowest);
    std::tie(record.averageSpeed, record.averageBits) = speedPair(*average);
    return record;
}
