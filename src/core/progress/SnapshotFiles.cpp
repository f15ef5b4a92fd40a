#include "progress/SnapshotFiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

SnapshotFiles::SnapshotFiles(const QString &folder)
{
    static const QRegularExpression pattern(QStringLiteral("\\(([12])_(\\d{1,9})\\)\\.jpg$"));
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        QList<Snapshot> &series = match.captured(1) == u'1' ? m_average : m_instant;
        series.append({match.captured(2).toInt(), dir.filePath(name)});
    }
    const auto byNumber = [](const Snapshot &a, const Snapshot &b) { return a.number < b.number; };
    std::stable_sort(m_average.begin(), m_average.end(), byNumber);
    std::stable_sort(m_instant.begin(), m_instant.end(), byNumber);
}

const QList<SnapshotFiles::Snapshot> &SnapshotFiles::series(int series) const
{
    return series == 1 ? m_average : m_instant;
}

qsizetype SnapshotFiles::pairCount() const
{
    QSet<int> numbers;
    for (const QList<Snapshot> *series : {&m_average, &m_instant}) {
        for (const Snapshot &snapshot : *series)
            numbers.insert(snapshot.number);
    }
    return numbers.size();
}

int SnapshotFiles::nextNumber() const
{
    int next = 0;
    for (const QList<Snapshot> *series : {&m_average, &m_instant}) {
        if (!series->isEmpty())
            next = qMax(next, series->constLast().number + 1);
    }
    return next;
}
