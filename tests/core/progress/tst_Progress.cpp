#include "../engine/EngineRig.h"

#include "engine/RunStatistics.h"
#include "progress/DisplayText.h"
#include "progress/GraphSnapshots.h"
#include "progress/LiveGraphs.h"
#include "progress/RunCaptions.h"
#include "progress/SnapshotFiles.h"
#include "progress/SpeedMeter.h"

#include <QDir>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

// The speed meter, the captions of its figures and its graphs. The meter is driven tick by tick
// with a hand-set clock, so no test waits for its timers except the one that proves the timers
// are wired.
class tst_Progress final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        m_meter = std::make_unique<SpeedMeter>(5, 5, [this] { return m_now; });
        m_captions = std::make_unique<RunCaptions>();
    }

    // Sizes and speeds change unit at 1024 bytes and at 1000 Kb; only Mb are grouped.
    void texts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one Kb") << Format_Vitesse(1024) << "1.00 Kb/s";
        QTest::newRow("last Kb, not grouped") << Format_Taille(1023999) << "1000.00 Kb";
        QTest::newRow("first Mb") << Format_Vitesse(1024000) << "1.00 Mb/s";
        QTest::newRow("exact half rounds up") << Format_Taille(1029120) << "1.01 Mb";
        QTest::newRow("German, beyond 32 bits")
            << Format_Taille(5000000000, QLocale(QLocale::German)) << "4.882,81 Mb";
        QTest::newRow("hours take more digits") << Format_Temps(360000 + 61) << "100:01:01";
        const StatsRecord trimmed =
            StatsRecord::parse("Time:00:01:05\r\nHspeed:2.00 Mb/s |\r\nLspeed: |\r\nMspeed: | \r\n")
                .value_or(StatsRecord());
        QTest::newRow("stats line trimmed of its last blank")
            << trimmed.highestSpeed + trimmed.lowestSpeed << "2.00 Mb/s";
    }

    void texts()
    {
        QFETCH(QString, text);
        QTEST(text, "expected");
    }

    // Instant speeds are per second of a tick's real length (1060 ms), kept to ten bytes; a tick
    // without data shows zero but is no lowest speed nor a sample; the graph keeps its last
    // fifty samples. A tick while the size is unknown shows nothing, and its bytes count for no
    // later tick.
    void highestAndLowestFollowTheInstantSpeed()
    {
        QSignalSpy instant(m_captions.get(), &RunCaptions::instantSpeedChanged);
        tick(500, 1060);
        m_meter->setProgress(1, 100'000'000);
        for (const qint64 bytes : {3180, 0, 1064, 2170884, 2120})
            tick(bytes, 1060);
        QCOMPARE(instant.count(), 5);
        QCOMPARE(instant.at(1).at(0).toString(), QStringLiteral("0.00 Kb/s"));
        QCOMPARE(m_meter->instantSamples().mid(46), QList<int>({23, 8, 16000, 16}));
        QCOMPARE(runStatistics(m_meter->figures()).toText(),
                 "Time:00:00:00\r\nHspeed:2.00 Mb/s | 16000 Kbit/s\r\n"
                 "Lspeed:1000 Bytes | 8 Kbit/s\r\nMspeed:0.00 Kb/s | 0.0 Kbits/s\r\n");
    }

    // No average before time has passed; once the file is complete, the average alone.
    void averageLeavesOutResumeBaseAndPausedTime()
    {
        const qint64 base = 1'000'000;
        const qint64 total = base + 4'000'000 + 30 * 1024 * 2000;
        m_meter->restore(ElapsedClock{99, 59, 59}, base);
        QSignalSpy average(m_captions.get(), &RunCaptions::averageSpeedChanged);
        QSignalSpy remaining(m_captions.get(), &RunCaptions::remainingTextChanged);
        m_meter->setProgress(base + 4'000'000, total);
        tick(1, 0);
        m_now += 1000;
        m_meter->pause();
        m_now += 10'000;
        m_meter->resume();
        // 4 000 000 bytes in 2 running seconds; 30 s left at 2000 thousands per second.
        tick(0, 1000);
        QCOMPARE(average, (QList<QVariantList>{{"1.95 Mb/s", "15625 Kbit/s"}}));
        QCOMPARE(remaining.at(0).at(0).toString(), QStringLiteral("00:00:30"));

        m_meter->setProgress(total - 1, total);
        tick(0, 1000);
        QCOMPARE(average.count(), 2);
        QCOMPARE(remaining.count(), 1);
        m_meter->clockTick();
        QCOMPARE(runStatistics(m_meter->figures()).time, QStringLiteral("100:00:00"));
    }

    void timersRunFromFirstDataUntilPauseOrStop()
    {
        m_meter->addBytes(10);
        QSignalSpy clock(m_meter.get(), &SpeedMeter::ticked);
        QVERIFY(clock.wait());
        m_meter->pause();
        m_meter->addBytes(10);
        QVERIFY(!m_meter->isMeasuring());
        m_meter->resume();
        QVERIFY(m_meter->isMeasuring());
        m_meter->stop();
        QVERIFY(!m_meter->isMeasuring());
    }

    // The snapshot schedule, driven as a download drives it.
    void snapshots()
    {
        EngineRig rig;
        LiveGraphs graphs(rig.engine.speedMeter(), rig.settings);
        GraphSnapshots snapshots(rig.store.paths(), graphs);
        QSignalSpy failures(&snapshots, &GraphSnapshots::writeFailed);
        const QString folder = rig.store.paths().projectFolder("setup");
        QVERIFY(QDir().mkpath(folder));
        const auto ticks = [&snapshots](int count) {
            for (int tick = 0; tick < count; ++tick)
                snapshots.tick();
        };

        // A pair of pictures every fifty ticks.
        snapshots.startRun("setup", "setup");
        ticks(50);
        QCOMPARE(SnapshotFiles(folder).series(2).size(), 1);
        QVERIFY(EngineRig::contents(folder + "setup(1_0).jpg").startsWith("\xff\xd8"));

        // Completion saves what was drawn since the last pair; shutdown then has nothing new.
        ticks(10);
        snapshots.endRun();
        snapshots.finishRun("setup");
        snapshots.saveFinal();
        QCOMPARE(SnapshotFiles(folder).nextNumber(), 2);

        // A resumed run numbers after the pairs already saved; a pair just saved leaves none.
        snapshots.startRun("setup", "setup");
        ticks(50);
        snapshots.saveFinal();
        QCOMPARE(SnapshotFiles(folder).series(1).size(), 3);
        QCOMPARE(SnapshotFiles(folder).series(2).constLast().number, 2);

        // A folder that cannot take the images costs the images only, told once.
        snapshots.startRun("gone", "gone");
        ticks(100);
        QCOMPARE(failures.count(), 1);
    }

private:
    // A speed tick, and the captions of what the meter then says.
    void tick(qint64 bytes, qint64 ms)
    {
        m_meter->addBytes(bytes);
        m_now += ms;
        m_meter->speedTick();
        RunProgress progress;
        progress.speeds = m_meter->figures();
        m_captions->show(progress);
    }

    qint64 m_now = 0;
    std::unique_ptr<SpeedMeter> m_meter;
    std::unique_ptr<RunCaptions> m_captions;
};

QTEST_GUILESS_MAIN(tst_Progress)
#include "tst_Progress.moc"
