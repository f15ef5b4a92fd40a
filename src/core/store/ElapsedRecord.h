#pragma once

#include <QByteArray>

#include <optional>

// The elapsed download time, as the clock shows it and as "infos.qfd" stores it:
// "sec:<s>\r\nmin:<m>\r\nh:<h>\r\n".
struct ElapsedClock
{
    int hours = 0;
    int minutes = 0;
    int seconds = 0;

    QByteArray toText() const;
    // nullopt when a line is missing, or seconds or minutes are not 0 to 59 or hours not 0 to
    // a century's worth.
    static std::optional<ElapsedClock> parse(const QByteArray &text);
    bool operator==(const ElapsedClock &) const = default;
};
