#pragma once

#include "store/ChecksumRecord.h"
#include "store/ProjectAccess.h"
#include "store/ProjectPaths.h"
#include "store/ProjectRecord.h"
#include "store/ServerValidators.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One project as the lists show it.
struct ProjectEntry
{
    QString name;
    QString url;
    qint64 size = 0;
    // Finished, but its file is not the one its digest names (it was kept as "<name>.corrupt").
    bool failedVerification = false;
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
    // A name without its CR LF, an unsafe or repeated name or an unreadable record is skipped;
    // the line of an unreadable record is kept when "main.qfd" is rewritten. A login that a
    // record written by an earlier version holds in its URL moves to the project's access (or
    // is dropped, for a finished project), and the record keeps the URL without it; when a file
    // cannot be written, the login serves this run only. The lists never hold a login.
    void load();
    // What the last load could not use, for the user to hear of: the record of each listed
    // project that could not be read, and "main.qfd" itself when it is unreadable or holds a
    // line that names no project folder.
    QStringList unreadableFiles() const;

    const QList<ProjectEntry> &waiting() const { return m_waiting; }
    const QList<ProjectEntry> &running() const { return m_running; }
    const QList<ProjectEntry> &finished() const { return m_finished; }

    // A project folder (or any entry) of this name exists (the naming rule asks this). An unsafe
    // name counts as taken.
    bool projectFolderExists(const QString &name) const;

    // Creates the project folder, writes its record, appends its name to "main.qfd" and puts
    // it at the end of the waiting list with "status:1". The server's validators, when it sent
    // any, go to "server.qfd", the digest its file must have to "checksum.qfd", the name the
    // server gave the file, if any, to "name.qfd" ("name:...\r\n"), and the access, when there is
    // any, to "access.qfd", which only its owner may read. Refuses an unsafe or existing name;
    // nothing is left behind when a file cannot be written.
    bool createProject(const QString &name, const ProjectRecord &record,
                       const ServerValidators &validators = {},
                       const std::optional<Checksum> &checksum = std::nullopt,
                       const QString &serverFileName = {}, const ProjectAccess &access = {});

    // Moves waiting project `from` to index `to` and rewrites "main.qfd": finished projects
    // first, then the running one, then the waiting ones in their new order.
    bool moveWaiting(int from, int to);

    // Removes a waiting or running project: its folder with all its files, its line of
    // "main.qfd" (only the line equal to the name) and its list entry. The receive folder of a
    // running project is the engine's to remove. Returns false when the name is not listed or a
    // file could not be removed (the entry is gone from the list either way).
    bool cancel(const QString &name);

    // Removes finished project `index` (of finished()) the same way; its downloaded file stays.
    bool deleteFinished(int index);

    // A finished project whose file failed verification starts again from zero: what its run
    // recorded goes (pack log, elapsed time, statistics, the proof of its joined file, the digest
    // found), and it waits at the end of the queue with "status:1". Its ".corrupt" file stays.
    bool restartFailed(const QString &name);

    // Engine transitions.
    // Moves the head of the queue to the running list and writes "status:0" in its record.
    // nullopt when the queue is empty, a project is already running or the record cannot be
    // rewritten (the lists are then unchanged).
    std::optional<ProjectEntry> startNextWaiting();
    // Removes the project's "access.qfd" and its login of this run. False when the file stays.
    bool forgetAccess(const QString &name);
    // Moves the running project to the finished list, writes "status:2" in its record and
    // forgets its access. The file is in place by then, so the move is made even when the record
    // cannot be rewritten or the access stays (false): the project is never fetched again in
    // this run, and the next start, finding it running with its file placed, finishes it once
    // more.
    bool finishRunning();

    // The running project's file changed on the server: its record takes the new size (its
    // status stays "0") and "server.qfd" the new validators. False when a file cannot be
    // written; the list then keeps the old size.
    bool restartRunning(qint64 size, const ServerValidators &validators);

    std::optional<ProjectRecord> record(const QString &name) const;
    // What the project's server is shown besides its URL ("access.qfd"), with the login given for
    // this run when the file holds none.
    ProjectAccess access(const QString &name) const;
    // A login the user gave for this run of the program only, never written.
    void useLoginThisRun(const QString &name, const Login &login);
    // Empty when the project has no "server.qfd".
    ServerValidators validators(const QString &name) const;
    // nullopt when the project has no readable "checksum.qfd".
    std::optional<ChecksumRecord> checksum(const QString &name) const;
    // The name the server gave the project's file, made safe; nullopt when it gave none.
    std::optional<QString> serverFileName(const QString &name) const;
    bool rewriteStatus(const QString &name, int status) const;

private:
    bool isListed(const QString &name) const;
    ProjectEntry finishedEntry(const ProjectEntry &entry) const;
    // The text of "main.qfd": empty when it is missing, nullopt when it is unreadable.
    std::optional<QByteArray> mainListText() const;
    // Its complete lines, whatever they name.
    std::optional<QList<QByteArray>> mainListLines() const;
    bool rewriteMainList() const;
    bool removeMainListLine(const QString &name) const;
    bool removeProjectFolder(const QString &name) const;
    bool removeProject(QList<ProjectEntry> &list, qsizetype index);
    bool writeAccess(const QString &name, const ProjectAccess &access) const;
    QString withoutLogin(const QString &name, ProjectRecord record);

    ProjectPaths m_paths;
    QList<ProjectEntry> m_waiting;
    QList<ProjectEntry> m_running;
    QList<ProjectEntry> m_finished;
    QStringList m_unreadable; // listed in "main.qfd", record unreadable at loading
    bool m_mainListUnreadable = false;
    QHash<QString, Login> m_loginsThisRun;
};
