#include "engine/Assembler.h"

#include "engine/FileCopy.h"
#include "engine/JoinWatch.h"
#include "engine/JoinedFile.h"
#include "store/ProjectPaths.h"

#include <QFile>
#include <QFileInfo>

Assembler::Assembler(const PackPlan &plan, const QString &receiveFolder, const QString &baseName,
                     std::shared_ptr<JoinWatch> watch)
    : m_plan(plan), m_receiveFolder(receiveFolder), m_baseName(baseName), m_watch(std::move(watch))
{}

QList<Pack> Assembler::unusablePieces() const
{
    QList<Pack> unusable;
    for (qint64 number = 0; number < m_plan.count(); ++number) {
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
    if (outcome.joined < m_plan.count())
        return outcome;
    if (m_watch) {
        outcome.fault = m_watch->conclude();
        if (outcome.fault)
            return outcome;
    }
    outcome.fault = (m_watch && m_watch->isCorrupt() ? file.corrupt() : file).leaveReceiveFolder();
    if (outcome.fault)
        return outcome;
    for (qint64 number = 0; number < m_plan.count(); ++number)
        QFile::remove(piecePath(number));
    outcome.done = true;
    return outcome;
}

QString Assembler::piecePath(qint64 pack) const
{
    return ProjectPaths::piecePath(m_receiveFolder, m_baseName, pack);
}

Assembler::Outcome Assembler::appendPieces(qint64 from, qint64 to,
                                           const std::atomic_bool &stop) const
{
    const QString workPath = ProjectPaths::finalWorkPath(m_receiveFolder);
    QFile work(workPath);
    if (work.size() != qMin(from * m_plan.packSize(), m_plan.fileSize()))
        from = 0;
    const QIODevice::OpenMode mode =
        from == 0 ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::ReadWrite;
    if (!work.open(mode | QIODevice::Unbuffered))
        return {0, JoinFault{JoinFault::Kind::Create, workPath}};
    if (m_watch && !m_watch->joinedUpTo(work, qMin(from * m_plan.packSize(), m_plan.fileSize())))
        return {from, JoinFault{JoinFault::Kind::Read, workPath}};
    for (qint64 number = from; number < to && !stop; ++number) {
        QFile piece(piecePath(number));
        if (piece.size() < m_plan.length(number) ||
            !piece.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return {number, JoinFault{JoinFault::Kind::Read, piece.fileName()}};
        if (m_watch && !m_watch->packJoined(piece, m_plan.length(number)))
            return {number, JoinFault{JoinFault::Kind::Read, piece.fileName()}};
        if (!FileCopy::append(piece, work, m_plan.pack(number).start, m_plan.length(number)))
            return {number, JoinFault{JoinFault::Kind::Write, workPath}};
    }
    if (stop)
        return {from, std::nullopt};
    if (!work.flush() || work.error() != QFileDevice::NoError)
        return {from, JoinFault{JoinFault::Kind::Write, workPath}};
    return {to, std::nullopt};
}
