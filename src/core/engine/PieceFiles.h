#pragma once

#include <QSet>
#include <QString>

#include <optional>

// The piece files of one download: "<receive folder><base name>(<pack number>).qfd".
class PieceFiles final
{
public:
    PieceFiles(const QString &receiveFolder, const QString &baseName);

    QString path(qint64 pack) const;
    // The bytes the piece holds; none when it does not exist.
    std::optional<qint64> length(qint64 pack) const;
    // Deletes every piece file of the receive folder whose pack is not in `keep`, so that those
    // packs start from their first byte. One pass over the folder, whatever the file size.
    void removeAllBut(const QSet<qint64> &keep) const;

private:
    QString m_receiveFolder;
    QString m_baseName;
};
