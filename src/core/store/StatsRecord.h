#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The statistics record "stats.qfd", written once when a download completes:
// "Time:<hh:mm:ss>\r\nHspeed:<speed> | <bits>\r\nLspeed:... \r\nMspeed:...\r\n".
struct StatsRecord
{
    QString time;
    QString highestSpeed;
    QString highestBits;
    QString lowestSpeed;
    QString lowestBits;
    QString averageSpeed;
    QString averageBits;

    bool operator==(const StatsRecord &) const = default;

    QByteArray toText() const;
    // nullopt when a line is missing. A speed value is split at its first " | ", or at a " |"
    // that ends it; a value without either is all speed text.
    static std::optional<StatsRecord> parse(const QByteArray &text);
};
