#include "engine/RunFiles.h"

#include "engine/RunStatistics.h"
#include "store/FileIo.h"
#include "store/FileNames.h"
#include "store/ProjectPaths.h"
#include "store/ProjectStore.h"
#include "wire/Url.h"

#include <QDir>
#include <QFileInfo>

RunFiles RunFiles::of(const ProjectPaths &paths, const QString &project,
                      const QString &downloadFolder, const QString &fileName)
{
    return {project,
            downloadFolder,
            ProjectPaths::receiveFolder(downloadFolder, project),
            fileName,
            FileNames::baseName(fileName),
            paths.joinedRecordPath(project),
            paths.packLogPath(project),
            paths.elapsedPath(project),
            paths.statsPath(project)};
}

// The start takes an empty "path:" for the default download folder, and so does this. A
// relative one lies in the data folder.
std::optional<RunFiles> RunFiles::ofRecord(const ProjectStore &store, const QString &project)
{
    const std::optional<ProjectRecord> record = store.record(project);
    if (!record)
        return std::nullopt;
    const ProjectPaths &paths = store.paths();
    const QString downloadFolder = record->path.isEmpty()
                                       ? paths.defaultDownloadFolder()
                                       : QDir(paths.dataFolder()).filePath(record->path);
    return of(paths, project, withTrailingSeparator(downloadFolder), localFileName(record->url));
}

std::optional<QString> RunFiles::takenReceiveFolder(const ProjectStore &store,
                                                    const QString &project)
{
    const std::optional<RunFiles> files = ofRecord(store, project);
    if (!files)
        return std::nullopt;
    const QFileInfo entry(QDir::cleanPath(files->receiveFolder));
    if (!entry.exists() && !entry.isSymLink())
        return std::nullopt;
    return files->receiveFolder;
}

bool RunFiles::makeReceiveFolder() const
{
    if (QFileInfo(QDir::cleanPath(receiveFolder)).isSymLink())
        return false;
    QDir().mkpath(receiveFolder);
    return true;
}

ElapsedClock RunFiles::resumeElapsed() const
{
    const ElapsedClock elapsed =
        ElapsedClock::parse(FileIo::read(elapsedPath).value_or(QByteArray()))
            .value_or(ElapsedClock());
    recordElapsed(elapsed);
    return elapsed;
}

void RunFiles::recordElapsed(const ElapsedClock &clock) const
{
    FileIo::writeAtomically(elapsedPath, clock.toText());
}

bool RunFiles::recordStatistics(const SpeedFigures &figures) const
{
    return FileIo::writeAtomically(statsPath, runStatistics(figures).toText());
}
