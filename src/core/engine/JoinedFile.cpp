#include "engine/JoinedFile.h"

#include "engine/FileMoves.h"
#include "store/FileIo.h"
#include "store/ProjectNaming.h"
#include "store/ProjectPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QTime>

using FileMoves::Move;

namespace {

bool isJoined(const QString &path, const JoinedRecord &record)
{
    return FileMoves::identity(path) == record.file;
}

} // namespace

JoinedFile::JoinedFile(const Paths &paths) : m_paths(paths) {}

JoinedFile JoinedFile::corrupt() const
{
    Paths paths = m_paths;
    paths.fileName += QStringLiteral(".corrupt");
    return JoinedFile(paths);
}

std::optional<JoinFault> JoinedFile::leaveReceiveFolder() const
{
    const QString work = ProjectPaths::finalWorkPath(m_paths.receiveFolder);
    if (!FileMoves::syncData(work))
        return JoinFault{JoinFault::Kind::Write, work};
    const std::optional<FileIdentity> identity = FileMoves::identity(work);
    if (!identity)
        return JoinFault{JoinFault::Kind::Read, work};
    JoinedRecord joined{*identity, finalFileName(m_paths.fileName, m_paths.project)};
    if (std::optional<JoinFault> fault = writeRecord(joined))
        return fault;
    // The receive folder still holds the name the file takes: it waits beside it.
    if (placedPath(joined) + QLatin1Char('/') == m_paths.receiveFolder) {
        if (FileMoves::renameNoReplace(work, joinedPath()) != Move::Done)
            return JoinFault{JoinFault::Kind::Create, joinedPath()};
        return syncDownloadFolder(joinedPath());
    }
    return moveToName(work, joined);
}

bool JoinedFile::hasLeftReceiveFolder() const
{
    const std::optional<JoinedRecord> joined = record();
    return joined && (isJoined(joinedPath(), *joined) || isJoined(placedPath(*joined), *joined));
}

JoinedFile::Placed JoinedFile::place() const
{
    std::optional<JoinedRecord> joined = record();
    if (!joined)
        return {{}, JoinFault{JoinFault::Kind::Read, m_paths.recordPath}};
    if (isJoined(placedPath(*joined), *joined)) {
        // A second name is left where a move by link and removal was stopped in between.
        if (placedPath(*joined) != joinedPath() && isJoined(joinedPath(), *joined))
            QFile::remove(joinedPath());
        return {placedPath(*joined), std::nullopt};
    }
    if (!isJoined(joinedPath(), *joined))
        return {{}, JoinFault{JoinFault::Kind::Read, joinedPath()}};
    const std::optional<JoinFault> fault = moveToName(joinedPath(), *joined);
    return {fault ? QString() : placedPath(*joined), fault};
}

// The recorded name, or when that is taken the next free one, recorded before the move.
std::optional<JoinFault> JoinedFile::moveToName(const QString &from, JoinedRecord &joined) const
{
    Move move = FileMoves::renameNoReplace(from, placedPath(joined));
    if (move == Move::Taken) {
        joined.name = nextFreeName();
        if (std::optional<JoinFault> fault = writeRecord(joined))
            return fault;
        move = FileMoves::renameNoReplace(from, placedPath(joined));
    }
    if (move != Move::Done)
        return JoinFault{JoinFault::Kind::Create, placedPath(joined)};
    return syncDownloadFolder(placedPath(joined));
}

std::optional<JoinFault> JoinedFile::syncDownloadFolder(const QString &movedTo) const
{
    if (!FileMoves::syncFolder(m_paths.downloadFolder))
        return JoinFault{JoinFault::Kind::Write, movedTo};
    return std::nullopt;
}

void JoinedFile::discard() const
{
    const std::optional<JoinedRecord> joined = record();
    if (joined && isJoined(joinedPath(), *joined))
        QFile::remove(joinedPath());
    QFile::remove(m_paths.recordPath);
}

QString JoinedFile::joinedPath() const
{
    return ProjectPaths::joinedFilePath(m_paths.downloadFolder, m_paths.project);
}

std::optional<JoinedRecord> JoinedFile::record() const
{
    const std::optional<QByteArray> text = FileIo::read(m_paths.recordPath);
    return text ? JoinedRecord::parse(*text) : std::nullopt;
}

QString JoinedFile::placedPath(const JoinedRecord &record) const
{
    return ProjectPaths::finalFilePath(m_paths.downloadFolder, record.name);
}

// The record names the file before it moves, so that a run stopped in between finds it.
std::optional<JoinFault> JoinedFile::writeRecord(const JoinedRecord &record) const
{
    if (!FileIo::writeAtomically(m_paths.recordPath, record.toText()) ||
        !FileMoves::syncFolder(QFileInfo(m_paths.recordPath).path()))
        return JoinFault{JoinFault::Kind::Write, m_paths.recordPath};
    return std::nullopt;
}

QString JoinedFile::nextFreeName() const
{
    const auto named = [this](const QString &suffix) {
        return finalFileName(m_paths.fileName, m_paths.project, suffix);
    };
    return named(freeSuffix(QTime::currentTime(), [&](const QString &suffix) {
        const QFileInfo entry(ProjectPaths::finalFilePath(m_paths.downloadFolder, named(suffix)));
        return entry.exists() || entry.isSymLink();
    }));
}
