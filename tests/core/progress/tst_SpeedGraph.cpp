#include "../engine/EngineRig.h"

#include "progress/GraphSnapshots.h"
#include "progress/LiveGraphs.h"
#include "progress/SnapshotFiles.h"
#include "progress/SpeedGraph.h"

#include <QDateTime>
#include <QDir>
#include <QTest>

using Points = QList<QPoint>;

// The graph is 250 × 126 pixels: a column is 5 pixels wide. With a 56 Kbit/s modem the scale is
// 84 Kbit/s high (1.5 pixels a Kbit/s).
class tst_SpeedGraph final : public QObject
{
    Q_OBJECT

private slots:
    // Only columns with an instant sample are drawn, each with its modem line. Bars and line
    // are masked against the back colour.
    void pixels()
    {
        const SpeedGraph::Style style{QColor(0xc0, 0xff, 0xc0), QColor(0x80, 0x80, 0xff),
                                      QColor(0xff, 0x00, 0x00), 56, true};
        QList<int> samples(SpeedGraph::Columns, 42);
        samples.first() = 10;
        QList<int> drawn(SpeedGraph::Columns, 0);
        drawn.first() = drawn.last() = 1;
        const QImage image = SpeedGraph(style).draw(samples, drawn);

        QCOMPARE(image.size(), SpeedGraph::Size);
        const auto expect = [&image](const Points &points, QRgb colour) {
            for (const QPoint &point : points)
                QCOMPARE(QColor(image.pixel(point)), QColor(colour));
        };
        expect({{0, 111}, {4, 125}, {245, 63}, {249, 125}}, qRgb(0x80, 0x80, 0xc0));
        expect({{0, 42}, {4, 42}, {245, 42}}, qRgb(0xc0, 0x00, 0x00));
        expect({{0, 110}, {0, 41}, {0, 43}, {5, 42}, {245, 62}, {244, 125}, {240, 63}},
               qRgb(0xc0, 0xff, 0xc0));
    }

    // The snapshot schedule, driven through the engine's own signals as a download emits them.
    void snapshots()
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
        QVERIFY(stale.open(QIODevice::WriteOnly));
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
};

QTEST_GUILESS_MAIN(tst_SpeedGraph)
#include "tst_SpeedGraph.moc"
