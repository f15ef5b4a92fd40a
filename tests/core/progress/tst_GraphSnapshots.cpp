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
};

void tst_GraphSnapshots::schedule()
{
    EngineRig rig;
    LiveGraphs graphs(rig.engine, rig.settings);
    GraphSnapshots snapshots(rig.engine, rig.store.paths(), graphs);
    QSignalSpy failures(&snapshots, &GraphSnapshots::writeFailed);
    const QString folder = rig.store.paths().projectFolder("setup");
    QVERIFY(QDir().mkpath(folder));
    const auto ticks = [&rig](int count) {
        for (int tick = 0; tick < count; ++tick)
            emit rig.engine.samplesChanged();
    };

    emit rig.engine.runStarted("setup", "setup");
    ticks(49);
    QCOMPARE(SnapshotFiles(folder).pairCount(), 0);
    // A file already there is written over, keeping its times.
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
    QFile stale(folder + "setup(1_0).jpg");
    QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("old") == 3 && stale.flush());
    QVERIFY(stale.setFileTime(old, QFileDevice::FileModificationTime));
    stale.close();
    ticks(1);
    QCOMPARE(SnapshotFiles(folder).series(2).size(), 1);
    QCOMPARE(QFileInfo(stale.fileName()).lastModified(), old);
    QVERIFY(EngineRig::contents(stale.fileName()).startsWith("\xff\xd8"));

    // Completion saves what was drawn since the last pair; shutdown then has nothing new.
    ticks(10);
    emit rig.engine.displayReset();
    emit rig.engine.projectFinished("setup");
    snapshots.saveFinal();
    QCOMPARE(SnapshotFiles(folder).nextNumber(), 2);

    // A resumed run numbers after the pairs already saved; a pair just saved leaves none.
    emit rig.engine.runStarted("setup", "setup");
    ticks(50);
    snapshots.saveFinal();
    QCOMPARE(SnapshotFiles(folder).series(1).size(), 3);
    QCOMPARE(SnapshotFiles(folder).series(2).constLast().number, 2);
    QCOMPARE(failures.count(), 0);

    // A folder that cannot take the images costs the images only, told once.
    emit rig.engine.runStarted("gone", "gone");
    ticks(100);
    QCOMPARE(failures.count(), 1);
}

QTEST_GUILESS_MAIN(tst_GraphSnapshots)
#include "tst_GraphSnapshots.moc"
