#pragma once

#include "store/ProjectPaths.h"
#include "store/ProjectRecord.h"

#include <QList>
#include <QString>

#include <optional>

// One project as the lists show it.
struct ProjectEntry
{
    QString name;
    QString url;
    qint64 size = 0;
    bool operator==(const ProjectEntry &) const = default;
};

// The project lists and the operations that change them, each kept in step with the files:
// "main.qfd" (the list, queue order for waiting projects) and every "project.qfd".
// Plain data, no signals: the caller rebuilds its views after an operation.
class ProjectStore final
{
public:
    explicit ProjectStore(const QString &dataFolder);

    const ProjectPaths &paths() const { return m_paths; }

    // Creates the projects folder when it is missing.
    bool ensureProjectsFolder() const;

    // Reads "main.qfd" and each project's record into the three lists (cleared first).
    // A name without its CR LF, an unsafe name or an unreadable record is skipped.
    void load();

    const QList<ProjectEntry> &waiting() const { return m_waiting; }
    const QList<ProjectEntry> &running() const { return m_running; }
    const QList<ProjectEntry> &finished() const { return m_finished; }

    // A project folder of this name exists (the naming rule asks this).
    bool projectFolderExists(const QString &name) const;

    // Creates the project folder, writes its record, appends its name to "main.qfd" and puts
    // it at the end of the waiting list. Refuses an unsafe or existing name.
    bool createProject(const QString &name, const ProjectRecord &record);

    // Moves waiting project `from` to index `to` and rewrites "main.qfd": finished projects
    // first, then the running one, then the waiting ones in their new order.
    bool moveWaiting(int from, int to);

    // Removes a waiting or running project: its folder with all its files, its line of
    // "main.qfd" (only the line equal to the name) and its list entry. The receive folder of a
    // running project is the engine's to remove.
    bool cancel(const QString &name);

    // Removes finished project `index` (of finished()) the same way; its downloaded file stays.
    bool deleteFinished(int index);

    // Engine transitions.
    // Moves the head of the queue to the running list and writes "status:0" in its record.
    std::optional<ProjectEntry> startNextWaiting();
    // Moves the running project to the finished list and writes "status:2" in its record.
    bool finishRunning();

    std::optional<ProjectRecord> record(const QString &name) const;
    bool rewriteStatus(const QString &name, int status) const;

private:
    bool rewriteMainList() const;
    bool removeMainListLine(const QString &name) const;
    bool removeProjectFolder(const QString &name) const;

    ProjectPaths m_paths;
    QList<ProjectEntry> m_waiting;
    QList<ProjectEntry> m_running;
    QList<ProjectEntry> m_finished;
};
