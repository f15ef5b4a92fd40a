#pragma once

#include "progress/RunProgress.h"
#include "store/ElapsedRecord.h"

#include <QString>

#include <optional>

class ProjectPaths;
class ProjectStore;

// Where the running project's files go: its receive folder and finished file in the download
// folder, its pack log, elapsed clock and statistics in its project folder.
struct RunFiles
{
    QString project;
    QString downloadFolder; // ends with "/"
    QString receiveFolder;  // ends with "/"
    QString fileName;       // from the URL
    QString baseName;       // names the piece files
    QString joinedRecordPath;
    QString packLogPath;
    QString elapsedPath;
    QString statsPath;

    static RunFiles of(const ProjectPaths &paths, const QString &project,
                       const QString &downloadFolder, const QString &fileName);
    // The files a run of the project uses, from its record as the start reads it; none when the
    // record cannot be read.
    static std::optional<RunFiles> ofRecord(const ProjectStore &store, const QString &project);
    // A project that has not started yet owns no receive folder: one that exists already is the
    // user's (or appeared since the name was chosen, through a new destination), and is left
    // alone. The folder when it is taken; none when it is free or the record cannot be read (the
    // start reports that).
    static std::optional<QString> takenReceiveFolder(const ProjectStore &store,
                                                     const QString &project);

    // Pieces are never written through a link: where it leads is not the project's.
    bool makeReceiveFolder() const;
    // The clock an earlier run recorded (from zero when none can be read), recorded again as
    // read.
    ElapsedClock resumeElapsed() const;
    void recordElapsed(const ElapsedClock &clock) const;
    // The statistics of the completed run (see runStatistics); false when they cannot be written.
    bool recordStatistics(const SpeedFigures &figures) const;
};
