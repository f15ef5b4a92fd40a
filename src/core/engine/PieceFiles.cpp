#include "engine/PieceFiles.h"

#include "store/FileNames.h"
#include "store/ProjectPaths.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

// The pack number of a piece file name "<base>(<digits>).qfd"; nullopt for any other name.
std::optional<qint64> packOf(const QString &fileName, const QString &base)
{
    const QString end = QStringLiteral(").qfd");
    if (!fileName.startsWith(base + QLatin1Char('(')) || !fileName.endsWith(end))
        return std::nullopt;
    const QStringView digits =
        QStringView(fileName).mid(base.size() + 1, fileName.size() - base.size() - 1 - end.size());
    if (digits.isEmpty())
        return std::nullopt;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 pack = digits.toLongLong(&ok);
    return ok ? std::optional<qint64>(pack) : std::nullopt;
}

} // namespace

PieceFiles::PieceFiles(const QString &receiveFolder, const QString &baseName)
    : m_receiveFolder(receiveFolder), m_baseName(baseName)
{}

QString PieceFiles::path(qint64 pack) const
{
    return ProjectPaths::piecePath(m_receiveFolder, m_baseName, pack);
}

std::optional<qint64> PieceFiles::length(qint64 pack) const
{
    const QFileInfo piece(path(pack));
    return piece.isFile() ? std::optional<qint64>(piece.size()) : std::nullopt;
}

void PieceFiles::removeAllBut(const QSet<qint64> &keep) const
{
    const QString base = FileNames::safe(m_baseName);
    QDirIterator pieces(m_receiveFolder, QDir::Files);
    while (pieces.hasNext()) {
        pieces.next();
        const std::optional<qint64> pack = packOf(pieces.fileName(), base);
        if (pack && !keep.contains(*pack))
            QFile::remove(pieces.filePath());
    }
}
