#include "engine/Assembler.h"

#include "engine/FileCopy.h"
#include "engine/FileMoves.h"
#include "engine/JoinWatch.h"
#include "engine/JoinedFile.h"
#include "store/ProjectPaths.h"

#include <QFileInfo>

#include <future>

namespace {

// Until the work file is made durable, the bytes appended since are on the disk twice (in the
// work file and in their pieces): it is made durable after at most this many bytes, and at most
// a twentieth of the file, so that a download takes little more than its file's size.
constexpr qint64 MaxStepBytes = 16 * 1024 * 1024;
constexpr qint64 StepsPerFile = 20;

} // namespace

Assembler::Assembler(const PackPlan &plan, const QString &receiveFolder, const QString &baseName,
                     std::shared_ptr<JoinWatch> watch)
    : m_plan(plan), m_receiveFolder(receiveFolder), m_baseName(baseName), m_watch(std::move(watch)),
      m_stepPacks(
          qMax<qint64>(1, qMin(MaxStepBytes, plan.fileSize() / StepsPerFile) / plan.packSize()))
{}

QList<Pack> Assembler::unusablePieces(qint64 from, qint64 to) const
{
    QList<Pack> unusable;
    for (qint64 number = from; number < to; ++number) {
        const QFileInfo piece(piecePath(number));
        if (!piece.isFile() || piece.size() < m_plan.length(number))
            unusable << m_plan.pack(number);
    }
    return unusable;
}

Assembler::Outcome Assembler::join(const JoinedFile &file, qint64 joined,
                                   const std::atomic_bool &stop) const
{
    Outcome outcome = appendPieces(joined, m_plan.count(), stop);
    if (outcome.joined < m_plan.count() || outcome.fault)
        return outcome;
    if (m_watch) {
        outcome.fault = m_watch->conclude();
        if (outcome.fault)
            return outcome;
    }
    outcome.fault = (m_watch && m_watch->isCorrupt() ? file.corrupt() : file).leaveReceiveFolder();
    outcome.done = !outcome.fault;
    return outcome;
}

Assembler::Outcome Assembler::appendPieces(qint64 from, qint64 to,
                                           const std::atomic_bool &stop) const
{
    QFile work(ProjectPaths::finalWorkPath(m_receiveFolder));
    if (!openWork(work, from))
        return {from, JoinFault{JoinFault::Kind::Create, work.fileName()}};
    const qint64 held = qMin(from, m_plan.packsWithin(work.size()));
    if (work.size() > m_plan.end(held) && !work.resize(m_plan.end(held)))
        return {held, JoinFault{JoinFault::Kind::Write, work.fileName()}};
    if (held < from)
        return {held, std::nullopt};
    if (m_watch && !m_watch->joinedUpTo(work, m_plan.end(from)))
        return {from, JoinFault{JoinFault::Kind::Read, work.fileName()}};
    Outcome outcome{from, std::nullopt};
    while (outcome.joined < to && !outcome.fault && !stop)
        outcome = appendStep(work, outcome.joined, qMin(to, outcome.joined + m_stepPacks), stop);
    return outcome;
}

// The pieces go once the bytes that replace them are on the disk. The watch reads the step's
// pieces while the disk takes its bytes; a piece it cannot read keeps the step's pieces, and the
// next join cuts the work file back to the step's start.
Assembler::Outcome Assembler::appendStep(QFile &work, qint64 from, qint64 to,
                                         const std::atomic_bool &stop) const
{
    qint64 next = from;
    std::optional<JoinFault> fault;
    while (next < to && !stop && !(fault = appendPiece(work, next)))
        ++next;
    if (stop || next == from)
        return {from, stop ? std::nullopt : fault};
    std::future<bool> synced = std::async(
        std::launch::async, [path = work.fileName()] { return FileMoves::syncData(path); });
    const std::optional<JoinFault> unwatched = watchStep(from, next);
    if (!synced.get())
        return {from, JoinFault{JoinFault::Kind::Write, work.fileName()}};
    if (unwatched)
        return {from, unwatched};
    for (qint64 number = from; number < next; ++number)
        QFile::remove(piecePath(number));
    return {next, fault};
}

std::optional<JoinFault> Assembler::watchStep(qint64 from, qint64 to) const
{
    for (qint64 pack = from; m_watch && pack < to; ++pack) {
        QFile piece(piecePath(pack));
        if (!piece.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
            !m_watch->packJoined(piece, m_plan.length(pack)))
            return JoinFault{JoinFault::Kind::Read, piece.fileName()};
    }
    return std::nullopt;
}

// A new work file's name is on the disk before any piece goes.
bool Assembler::openWork(QFile &work, qint64 from) const
{
    if (from > 0)
        return work.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    QFile::remove(work.fileName());
    return work.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered) &&
           FileMoves::syncFolder(m_receiveFolder);
}

std::optional<JoinFault> Assembler::appendPiece(QFile &work, qint64 pack) const
{
    QFile piece(piecePath(pack));
    if (piece.size() < m_plan.length(pack) ||
        !piece.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return JoinFault{JoinFault::Kind::Read, piece.fileName()};
    if (!FileCopy::append(piece, work, m_plan.pack(pack).start, m_plan.length(pack)))
        return JoinFault{JoinFault::Kind::Write, work.fileName()};
    return std::nullopt;
}

QString Assembler::piecePath(qint64 pack) const
{
    return ProjectPaths::piecePath(m_receiveFolder, m_baseName, pack);
}
