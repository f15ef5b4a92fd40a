#include "store/ElapsedRecord.h"

#include "store/TextLines.h"

namespace {

// A century of downloading; more is a damaged file, and the clock could not count on from it.
constexpr int MaxHours = 876000;

std::optional<int> numberIn(const std::optional<QByteArray> &text, int highest)
{
    if (!text)
        return std::nullopt;
    bool ok = false;
    const int value = text->toInt(&ok);
    if (!ok || value < 0 || value > highest)
        return std::nullopt;
    return value;
}

} // namespace

QByteArray ElapsedClock::toText() const
{
    return TextLines::line("sec:", QString::number(seconds)) +
           TextLines::line("min:", QString::number(minutes)) +
           TextLines::line("h:", QString::number(hours));
}

std::optional<ElapsedClock> ElapsedClock::parse(const QByteArray &text)
{
    TextLines::KeyReader reader(text);
    const auto seconds = numberIn(reader.next("sec:"), 59);
    const auto minutes = numberIn(reader.next("min:"), 59);
    const auto hours = numberIn(reader.next("h:"), MaxHours);
    if (!seconds || !minutes || !hours)
        return std::nullopt;
    return ElapsedClock{*hours, *minutes, *seconds};
}
