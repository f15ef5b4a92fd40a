#include "engine/RunStatistics.h"

#include "progress/DisplayText.h"
#include "progress/RunCaptions.h"

namespace {

std::pair<QString, QString> measuredTexts(qint64 bytesPerSecond)
{
    if (bytesPerSecond == 0)
        return {};
    return RunCaptions::speedTexts(bytesPerSecond);
}

} // namespace

StatsRecord runStatistics(const SpeedFigures &figures)
{
    StatsRecord record;
    record.time =
        clockText(figures.elapsed.hours, figures.elapsed.minutes, figures.elapsed.seconds);
    std::tie(record.highestSpeed, record.highestBits) = measuredTexts(figures.highest);
    std::tie(record.lowestSpeed, record.lowestBits) = measuredTexts(figures.lowest);
    std::tie(record.averageSpeed, record.averageBits) = RunCaptions::speedTexts(figures.average);
    return record;
}
