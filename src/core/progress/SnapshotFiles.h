#pragma once

#include <QList>
#include <QString>

// The graph snapshots found in a project folder, "<base name>(<series>_<number>).jpg": series 1
// is the average-speed graph, series 2 the instant-speed graph. Each series is ordered by
// number, so a gap or a name that is no snapshot never shifts or drops another image.
class SnapshotFiles final
{
public:
    struct Snapshot
    {
        int number = 0;
        QString path;
    };

    explicit SnapshotFiles(const QString &folder);

    const QList<Snapshot> &series(int series) const;
    // How many snapshot numbers either series holds (one per saved pair).
    qsizetype pairCount() const;
    // The number after the highest of either series; 0 when there is none.
    int nextNumber() const;

private:
    QList<Snapshot> m_average;
    QList<Snapshot> m_instant;
};
