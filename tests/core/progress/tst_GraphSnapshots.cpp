#include "../engine/EngineRig.h"

#include "progress/GraphSnapshots.h"
#include "progress/LiveGraphs.h"
#include "progress/SnapshotFiles.h"

#include <QDateTime>
#include <QDir>
#include <QTest>

// The snapshot schedule, driven through the engine's own signals as a download emits them.
class tst_GraphSnapshots final : public QObject
{
    Q_OBJECT

private slots:
    void schedule();

private:
    static QList<int> numbers(const SnapshotFiles &files, int series)
    {
        QList<int> found;
        for (const SnapshotFiles::Snapshot &snapshot : files.series(series))
            found << snapshot.number;
        return found;
    }
    static void ticks(Engine &engine, int count)
    {
        for (int tick = 0; tick < count; ++tick)
            emit engine.samplesChanged();
    }
};

void tst_GraphSnapshots::schedule()
{
    EngineRig rig;
    LiveGraphs graphs(rig.engine, rig.settings);
    GraphSnapshots snapshots(rig.engine, rig.store.paths(), graphs);
    QSignalSpy failures(&snapshots, &GraphSnapshots::writeFailed);
    const QString folder = rig.store.paths().projectFolder("setup");
    QVERIFY(QDir().mkpath(folder));

    emit rig.engine.runStarted("setup", "setup");
    ticks(rig.engine, 49);
    QCOMPARE(SnapshotFiles(folder).pairCount(), 0);
    // A file already there is written over, keeping its times.
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
    QFile stale(folder + "setup(1_0).jpg");
    QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("old") == 3 && stale.flush());
    QVERIFY(stale.setFileTime(old, QFileDevice::FileModificationTime));
    stale.close();
    ticks(rig.engine, 1);
    QCOMPARE(numbers(SnapshotFiles(folder), 2), QList<int>({0}));
    QCOMPARE(QFileInfo(stale.fileName()).lastModified(), old);
    QVERIFY(EngineRig::contents(stale.fileName()).startsWith("\xff\xd8"));

    // Completion saves what was drawn since the last pair; shutdown then has nothing new.
    ticks(rig.engine, 10);
    emit rig.engine.displayReset();
    emit rig.engine.projectFinished("setup");
    snapshots.saveFinal();
    QCOMPARE(numbers(SnapshotFiles(folder), 1), QList<int>({0, 1}));

    // A resumed run numbers after the pairs already saved; a pair just saved leaves none.
    emit rig.engine.runStarted("setup", "setup");
    ticks(rig.engine, 50);
    snapshots.saveFinal();
    const SnapshotFiles files(folder);
    QCOMPARE(numbers(files, 1), QList<int>({0, 1, 2}));
    QCOMPARE(numbers(files, 2), QList<int>({0, 1, 2}));
    QCOMPARE(failures.count(), 0);

    // A folder that cannot take the images costs the images only, told once.
    emit rig.engine.runStarted("gone", "gone");
    ticks(rig.engine, 100);
    QCOMPARE(failures.count(), 1);
}

QTEST_GUILESS_MAIN(tst_GraphSnapshots)
#include "tst_GraphSnapshots.moc"
