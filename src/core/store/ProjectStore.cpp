#include "store/ProjectStore.h"

#include "store/FileIo.h"
#include "store/FileNames.h"
#include "store/MainList.h"
#include "store/TextLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

qsizetype indexOfName(const QList<ProjectEntry> &list, const QString &name)
{
    const auto it = std::find_if(list.cbegin(), list.cend(),
                                 [&name](const ProjectEntry &entry) { return entry.name == name; });
    return it == list.cend() ? -1 : it - list.cbegin();
}

} // namespace

ProjectStore::ProjectStore(const QString &dataFolder) : m_paths(dataFolder) {}

bool ProjectStore::ensureProjectsFolder() const
{
    return QDir().mkpath(m_paths.projectsFolder());
}

void ProjectStore::load()
{
    m_waiting.clear();
    m_running.clear();
    m_finished.clear();
    m_unreadable.clear();
    const auto text = mainListText();
    const MainList::Names list = MainList::read(text.value_or(QByteArray()));
    m_mainListUnreadable = !text || list.damaged;
    for (const QString &name : list.names) {
        const auto found = record(name);
        if (!found) {
            m_unreadable.append(name);
            continue;
        }
        const ProjectEntry entry{name, withoutLogin(name, *found), found->bytes};
        switch (found->status) {
        case ProjectRecord::Running:
            m_running.append(entry);
            break;
        case ProjectRecord::Waiting:
            m_waiting.append(entry);
            break;
        default:
            m_finished.append(finishedEntry(entry));
            break;
        }
    }
}

QStringList ProjectStore::unreadableFiles() const
{
    QStringList paths;
    if (m_mainListUnreadable)
        paths.append(m_paths.mainListPath());
    for (const QString &name : m_unreadable)
        paths.append(m_paths.recordPath(name));
    return paths;
}

bool ProjectStore::projectFolderExists(const QString &name) const
{
    return !FileNames::isSafe(name) || QFileInfo::exists(m_paths.projectsFolder() + name);
}

bool ProjectStore::createProject(const QString &name, const ProjectRecord &record,
                                 const ServerValidators &validators,
                                 const std::optional<Checksum> &checksum,
                                 const QString &serverFileName, const ProjectAccess &access)
{
    if (!FileNames::isSafe(name) || isListed(name) || projectFolderExists(name))
        return false;
    auto lines = mainListLines();
    if (!lines || !ensureProjectsFolder() || !QDir(m_paths.projectsFolder()).mkdir(name))
        return false;
    ProjectRecord waiting = record;
    waiting.status = ProjectRecord::Waiting;
    lines->append(name.toUtf8());
    const bool validatorsWritten =
        validators.isEmpty() ||
        FileIo::writeAtomically(m_paths.validatorsPath(name), validators.toText());
    const bool checksumWritten =
        !checksum || FileIo::writeAtomically(m_paths.checksumPath(name),
                                             ChecksumRecord{*checksum, std::nullopt}.toText());
    const bool fileNameWritten = serverFileName.isEmpty() ||
                                 FileIo::writeAtomically(m_paths.fileNamePath(name),
                                                         TextLines::line("name:", serverFileName));
    if (!validatorsWritten || !checksumWritten || !fileNameWritten ||
        (!access.isEmpty() && !writeAccess(name, access)) ||
        !FileIo::writeAtomically(m_paths.recordPath(name), waiting.toText()) ||
        !FileIo::writeAtomically(m_paths.mainListPath(), TextLines::join(*lines))) {
        removeProjectFolder(name);
        return false;
    }
    m_waiting.append({name, waiting.url, waiting.bytes});
    return true;
}

bool ProjectStore::moveWaiting(int from, int to)
{
    if (from < 0 || to < 0 || from >= m_waiting.size() || to >= m_waiting.size())
        return false;
    m_waiting.move(from, to);
    if (rewriteMainList())
        return true;
    m_waiting.move(to, from);
    return false;
}

bool ProjectStore::cancel(const QString &name)
{
    for (QList<ProjectEntry> *list : {&m_running, &m_waiting}) {
        const qsizetype index = indexOfName(*list, name);
        if (index >= 0)
            return removeProject(*list, index);
    }
    return false;
}

bool ProjectStore::deleteFinished(int index)
{
    if (index < 0 || index >= m_finished.size())
        return false;
    return removeProject(m_finished, index);
}

std::optional<ProjectEntry> ProjectStore::startNextWaiting()
{
    if (m_waiting.isEmpty() || !m_running.isEmpty())
        return std::nullopt;
    const ProjectEntry entry = m_waiting.first();
    if (!rewriteStatus(entry.name, ProjectRecord::Running))
        return std::nullopt;
    m_waiting.removeFirst();
    m_running.append(entry);
    return entry;
}

bool ProjectStore::finishRunning()
{
    if (m_running.isEmpty())
        return false;
    const QString name = m_running.first().name;
    const bool marked = rewriteStatus(name, ProjectRecord::Finished);
    const bool forgotten = forgetAccess(name);
    m_finished.append(finishedEntry(m_running.takeFirst()));
    return marked && forgotten;
}

// The record goes back to waiting last: a crash before leaves it finished, to be restarted again.
bool ProjectStore::restartFailed(const QString &name)
{
    const qsizetype index = indexOfName(m_finished, name);
    const std::optional<ChecksumRecord> digest = checksum(name);
    if (index < 0 || !m_finished.at(index).failedVerification || !digest)
        return false;
    for (const QString &path : {m_paths.packLogPath(name), m_paths.elapsedPath(name),
                                m_paths.statsPath(name), m_paths.joinedRecordPath(name)}) {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            return false;
    }
    if (!FileIo::writeAtomically(m_paths.checksumPath(name),
                                 ChecksumRecord{digest->expected, std::nullopt}.toText()) ||
        !rewriteStatus(name, ProjectRecord::Waiting))
        return false;
    ProjectEntry entry = m_finished.takeAt(index);
    entry.failedVerification = false;
    m_waiting.append(entry);
    rewriteMainList();
    return true;
}

// The validators go first: a crash in between leaves the old size, which the server's answers
// show to be changed again.
bool ProjectStore::restartRunning(qint64 size, const ServerValidators &validators)
{
    if (m_running.isEmpty())
        return false;
    ProjectEntry &entry = m_running.first();
    std::optional<ProjectRecord> found = record(entry.name);
    if (!found)
        return false;
    found->bytes = size;
    if (!FileIo::writeAtomically(m_paths.validatorsPath(entry.name), validators.toText()) ||
        !FileIo::writeAtomically(m_paths.recordPath(entry.name), found->toText()))
        return false;
    entry.size = size;
    return true;
}

ServerValidators ProjectStore::validators(const QString &name) const
{
    if (!FileNames::isSafe(name))
        return {};
    return ServerValidators::parse(
        FileIo::read(m_paths.validatorsPath(name)).value_or(QByteArray()));
}

ProjectAccess ProjectStore::access(const QString &name) const
{
    ProjectAccess access;
    if (FileNames::isSafe(name))
        access = ProjectAccess::parse(FileIo::read(m_paths.accessPath(name)).value_or(QByteArray()))
                     .value_or(ProjectAccess());
    if (access.login.isEmpty())
        access.login = m_loginsThisRun.value(name);
    return access;
}

void ProjectStore::useLoginThisRun(const QString &name, const Login &login)
{
    m_loginsThisRun.insert(name, login);
}

bool ProjectStore::forgetAccess(const QString &name)
{
    m_loginsThisRun.remove(name);
    if (!FileNames::isSafe(name))
        return false;
    const QString path = m_paths.accessPath(name);
    QFile::remove(path);
    const QFileInfo left(path);
    return !left.exists() && !left.isSymLink();
}

std::optional<ChecksumRecord> ProjectStore::checksum(const QString &name) const
{
    if (!FileNames::isSafe(name))
        return std::nullopt;
    const auto text = FileIo::read(m_paths.checksumPath(name));
    return text ? ChecksumRecord::parse(*text) : std::nullopt;
}

std::optional<QString> ProjectStore::serverFileName(const QString &name) const
{
    if (!FileNames::isSafe(name))
        return std::nullopt;
    TextLines::KeyReader reader(FileIo::read(m_paths.fileNamePath(name)).value_or(QByteArray()));
    const QString kept = QString::fromUtf8(reader.next("name:").value_or(QByteArray()));
    return kept.isEmpty() ? std::nullopt : std::optional(FileNames::fitted(kept));
}

std::optional<ProjectRecord> ProjectStore::record(const QString &name) const
{
    if (!FileNames::isSafe(name))
        return std::nullopt;
    const auto text = FileIo::read(m_paths.recordPath(name));
    return text ? ProjectRecord::parse(*text) : std::nullopt;
}

bool ProjectStore::rewriteStatus(const QString &name, int status) const
{
    if (status < ProjectRecord::Running || status > ProjectRecord::Finished || !record(name))
        return false;
    const auto text = FileIo::read(m_paths.recordPath(name));
    return text && FileIo::writeAtomically(m_paths.recordPath(name),
                                           ProjectRecord::withStatus(*text, status));
}

ProjectEntry ProjectStore::finishedEntry(const ProjectEntry &entry) const
{
    ProjectEntry finished = entry;
    const std::optional<ChecksumRecord> digest = checksum(entry.name);
    finished.failedVerification = digest && !digest->isVerified();
    return finished;
}

bool ProjectStore::isListed(const QString &name) const
{
    return indexOfName(m_waiting, name) >= 0 || indexOfName(m_running, name) >= 0 ||
           indexOfName(m_finished, name) >= 0 || m_unreadable.contains(name);
}

std::optional<QByteArray> ProjectStore::mainListText() const
{
    const QString path = m_paths.mainListPath();
    if (!QFileInfo::exists(path))
        return QByteArray();
    return FileIo::read(path);
}

std::optional<QList<QByteArray>> ProjectStore::mainListLines() const
{
    const auto text = mainListText();
    if (!text)
        return std::nullopt;
    return TextLines::completeLines(*text);
}

bool ProjectStore::rewriteMainList() const
{
    QList<QByteArray> lines;
    for (const QList<ProjectEntry> *list : {&m_finished, &m_running, &m_waiting}) {
        for (const ProjectEntry &entry : *list)
            lines.append(entry.name.toUtf8());
    }
    for (const QString &name : m_unreadable)
        lines.append(name.toUtf8());
    return FileIo::writeAtomically(m_paths.mainListPath(), TextLines::join(lines));
}

bool ProjectStore::removeMainListLine(const QString &name) const
{
    auto lines = mainListLines();
    if (!lines)
        return false;
    if (lines->removeAll(name.toUtf8()) == 0)
        return true;
    return FileIo::writeAtomically(m_paths.mainListPath(), TextLines::join(*lines));
}

bool ProjectStore::removeProjectFolder(const QString &name) const
{
    if (!FileNames::isSafe(name))
        return false;
    const QString folder = m_paths.projectsFolder() + name;
    const QFileInfo info(folder);
    // A link is removed, never followed: what it points to is not ours.
    if (info.isSymLink())
        return QFile::remove(folder);
    return !info.exists() || QDir(folder).removeRecursively();
}

bool ProjectStore::removeProject(QList<ProjectEntry> &list, qsizetype index)
{
    const QString name = list.at(index).name;
    list.removeAt(index);
    m_loginsThisRun.remove(name);
    // The line goes first: a crash in between leaves an unlisted folder rather than a listed
    // project whose files are half gone.
    const bool unlisted = removeMainListLine(name);
    return removeProjectFolder(name) && unlisted;
}

bool ProjectStore::writeAccess(const QString &name, const ProjectAccess &access) const
{
    return FileIo::writeAtomically(m_paths.accessPath(name), access.toText(),
                                   QFile::ReadOwner | QFile::WriteOwner);
}

// The access is written before the record loses the login: a crash in between leaves it in both.
QString ProjectStore::withoutLogin(const QString &name, ProjectRecord record)
{
    const KeptUrl kept = splitKeptLogin(record.url);
    if (kept.login.isEmpty())
        return kept.url;
    record.url = kept.url;
    if (record.status != ProjectRecord::Finished) {
        ProjectAccess access = this->access(name);
        access.login = kept.login;
        if (!writeAccess(name, access)) {
            useLoginThisRun(name, kept.login);
            return kept.url;
        }
    }
    // A record that cannot be rewritten keeps its old text; the access holds the login anyway.
    FileIo::writeAtomically(m_paths.recordPath(name), record.toText());
    return kept.url;
}
