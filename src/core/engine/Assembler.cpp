#include "engine/Assembler.h"

#include "engine/FileCopy.h"
#include "store/ProjectPaths.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

Assembler::Assembler(const PackPlan &plan, const QString &receiveFolder, const QString &baseName)
    : m_plan(plan), m_receiveFolder(receiveFolder), m_baseName(baseName)
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

Assembler::Outcome Assembler::join(const QString &joinedPath, qint64 joined,
                                   const std::atomic_bool &stop) const
{
    const QString workPath = ProjectPaths::finalWorkPath(m_receiveFolder);
    if (!appendPieces(joined, m_plan.count(), stop)) {
        QFile::remove(workPath);
        return {false, workPath};
    }
    if (!place(workPath, joinedPath))
        return {false, joinedPath};
    for (qint64 number = 0; number < m_plan.count(); ++number)
        QFile::remove(piecePath(number));
    return {true, {}};
}

bool Assembler::place(const QString &joinedPath, const QString &finalPath)
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(joinedPath).toStdString(),
                            QFile::encodeName(finalPath).toStdString(), error);
    return !error;
}

QString Assembler::piecePath(qint64 pack) const
{
    return ProjectPaths::piecePath(m_receiveFolder, m_baseName, pack);
}

bool Assembler::appendPieces(qint64 from, qint64 to, const std::atomic_bool &stop) const
{
    QFile work(ProjectPaths::finalWorkPath(m_receiveFolder));
    if (work.size() != qMin(from * m_plan.packSize(), m_plan.fileSize()))
        from = 0;
    const QIODevice::OpenMode mode =
        from == 0 ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::ReadWrite;
    if (!work.open(mode | QIODevice::Unbuffered))
        return false;
    for (qint64 number = from; number < to; ++number) {
        QFile piece(piecePath(number));
        if (stop || !piece.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
            !FileCopy::append(piece, work, m_plan.pack(number).start, m_plan.length(number)))
            return false;
    }
    return work.flush() && work.error() == QFileDevice::NoError;
}
