#include "progress/ProjectStatistics.h"

#include "progress/DisplayText.h"
#include "progress/RunCaptions.h"
#include "store/FileIo.h"
#include "store/ProjectPaths.h"
#include "store/ProjectStore.h"
#include "store/StatsRecord.h"

namespace {

QString speedText(const QString &speed, const QString &bits)
{
    return speed + QStringLiteral(" | ") + bits;
}

} // namespace

ProjectStatistics::ProjectStatistics(const ProjectPaths &paths, const ProjectEntry &entry)
    : name(entry.name), url(entry.url), sizeText(Format_Taille(entry.size)),
      snapshots(paths.projectFolder(entry.name))
{
    const std::optional<QByteArray> digest = FileIo::read(paths.checksumPath(entry.name));
    checksum = RunCaptions::checksumText(digest ? ChecksumRecord::parse(*digest) : std::nullopt);
    const std::optional<QByteArray> text = FileIo::read(paths.statsPath(entry.name));
    const std::optional<StatsRecord> record = StatsRecord::parse(text.value_or(QByteArray()));
    if (!record)
        return;
    time = record->time;
    highestSpeed = speedText(record->highestSpeed, record->highestBits);
    lowestSpeed = speedText(record->lowestSpeed, record->lowestBits);
    averageSpeed = speedText(record->averageSpeed, record->averageBits);
}

QStringList ProjectStatistics::lines() const
{
    return {QStringLiteral("Project name: ") + name,
            QStringLiteral("Project URL: ") + url,
            QStringLiteral("Project size: ") + sizeText,
            QStringLiteral("Download time: ") + time,
            QStringLiteral("Higher download speed: ") + highestSpeed,
            QStringLiteral("Lower download speed: ") + lowestSpeed,
            QStringLiteral("Average download speed: ") + averageSpeed,
            QStringLiteral("Checksum: ") + checksum,
            QStringLiteral("Snapshots: ") + QString::number(snapshots.pairCount())};
}
