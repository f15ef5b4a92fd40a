#include "engine/Completion.h"

#include "engine/Download.h"
#include "engine/JoinDigest.h"
#include "engine/PieceFiles.h"
#include "store/ProjectPaths.h"
#include "store/ProjectStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

Completion::Completion(QObject *parent) : QObject(parent)
{
    connect(&m_joiner, &PieceJoiner::finished, this, &Completion::onJoined);
    connect(&m_joiner, &PieceJoiner::prejoined, this, &Completion::onPrejoined);
}

// Once every pack is in, the joined file leaves the receive folder for its name (see JoinedFile)
// and the emptied folder goes.
void Completion::advance(Download &download, const RunFiles &files)
{
    if (m_joiner.isBusy())
        return;
    m_files = files;
    const bool last = download.isComplete();
    if (last && joinedFile(m_files).hasLeftReceiveFolder()) {
        place();
        return;
    }
    const qint64 run = download.completeRun();
    if (!last && run <= m_joiner.tried())
        return;
    const QList<Pack> unusable = assembler(download).unusablePieces(m_joiner.joined(), run);
    if (!unusable.isEmpty()) {
        download.refetch(unusable);
        return;
    }
    if (!last) {
        m_joiner.prejoin(assembler(download), run);
        return;
    }
    m_joiner.start(assembler(download), joinedFile(m_files));
    emit finishing();
}

bool Completion::watchDigest(const ProjectStore &store, const QString &project)
{
    m_joiner.stop();
    const QString path = store.paths().checksumPath(project);
    const std::optional<ChecksumRecord> checksum = store.checksum(project);
    if (!checksum && QFileInfo::exists(path))
        return false;
    m_watch = checksum ? std::make_shared<JoinDigest>(checksum->expected, path) : nullptr;
    return true;
}

void Completion::removeOwnFiles(const RunFiles &files)
{
    joinedFile(files).discard();
    removeReceiveFolder(files);
}

// A piece that cannot be read is tried again once the run grows (and fetched again once it turns
// out missing or short); a work file that cannot be written pauses the download.
void Completion::onPrejoined(const Assembler::Outcome &outcome)
{
    if (outcome.fault && outcome.fault->kind != JoinFault::Kind::Read)
        emit failed(*outcome.fault);
    emit prejoined();
}

// A work file that lost packs has them fetched again from the next tick on.
void Completion::onJoined(const Assembler::Outcome &outcome)
{
    if (outcome.fault)
        emit failed(*outcome.fault);
    else if (outcome.done)
        place();
}

// What a stopped run left in the receive folder goes with it.
void Completion::place()
{
    removeReceiveFolder(m_files);
    const JoinedFile::Placed placed = joinedFile(m_files).place();
    if (placed.fault) {
        emit failed(*placed.fault);
        return;
    }
    emit this->placed(placed.path);
}

Assembler Completion::assembler(const Download &download) const
{
    return Assembler(download.plan(), m_files.receiveFolder, m_files.baseName, m_watch);
}

JoinedFile Completion::joinedFile(const RunFiles &files)
{
    return JoinedFile({files.downloadFolder, files.receiveFolder, files.project, files.fileName,
                       files.joinedRecordPath});
}

// A receive folder that is a link is not entered: where it leads is not the project's.
void Completion::removeReceiveFolder(const RunFiles &files)
{
    if (QFileInfo(QDir::cleanPath(files.receiveFolder)).isSymLink())
        return;
    PieceFiles(files.receiveFolder, files.baseName).removeAllBut({});
    QFile::remove(ProjectPaths::finalWorkPath(files.receiveFolder));
    QDir().rmdir(files.receiveFolder);
}
