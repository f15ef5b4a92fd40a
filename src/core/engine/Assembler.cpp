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

Assembler::Outcome Assembler::join(const QString &joinedPath) const
{
    const QString workPath = ProjectPaths::finalWorkPath(m_receiveFolder);
    if (!writeWorkFile(workPath)) {
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

bool Assembler::writeWorkFile(const QString &workPath) const
{
    QFile work(workPath);
    if (!work.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    for (qint64 number = 0; number < m_plan.count(); ++number) {
        QFile piece(piecePath(number));
        if (!piece.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
            !FileCopy::append(piece, work, m_plan.pack(number).start, m_plan.length(number)))
            return false;
    }
    return work.flush() && work.error() == QFileDevice::NoError;
}
