#include "probe/NewProjectRecord.h"

#include "options/Settings.h"

NewProjectOptions NewProjectOptions::fromSettings(const Settings &settings)
{
    return {settings.filePath(), settings.packSize(), settings.showModem()};
}

bool fitsTransfer(const ProbeResult &result, qint64 packSize)
{
    return result.rangeSupported || result.size <= packSize;
}

ProjectRecord newProjectRecord(const ProbeResult &result, const NewProjectOptions &options,
                               const Settings &settings)
{
    ProjectRecord record;
    record.url = result.url;
    record.bytes = result.size;
    record.path = options.downloadFolder;
    record.packSize = QString::number(options.packSize);
    record.showModem = options.showModem ? QStringLiteral("1") : QStringLiteral("0");
    settings.fillRecordColours(record);
    record.type = result.isFtp ? QStringLiteral("1") : QStringLiteral("0");
    record.status = ProjectRecord::Waiting;
    return record;
}
