#include "progress/SpeedMeter.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

// The meter is driven tick by tick with a hand-set clock, so no test waits for its timers
// except the one that proves the timers are wired.
class tst_SpeedMeter final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        m_now = 100000;
        m_meter = std::make_unique<SpeedMeter>(1060, 1000, [this] { return m_now; });
    }

    // Instant speeds are kept to ten bytes; a tick without data shows zero but is no lowest
    // speed nor a sample; the graph keeps its last fifty samples.
    void highestAndLowestFollowTheInstantSpeed()
    {
        QSignalSpy instant(m_meter.get(), &SpeedMeter::instantSpeedChanged);
        m_meter->setProgress(1, 100'000'000);
        for (const qint64 bytes : {3000, 0, 1004, 2048004, 2000})
            tick(bytes, 1060);
        QCOMPARE(instant.count(), 5);
        QCOMPARE(instant.at(1).at(0).toString(), QStringLiteral("0.00 Kb/s")); // nothing arrived
        QCOMPARE(instant.at(3).at(0).toString(), QStringLiteral("2.00 Mb/s"));
        QCOMPARE(m_meter->instantSamples().mid(46), QList<int>({23, 8, 16000, 16}));
        const StatsRecord stats = m_meter->stats();
        QCOMPARE(stats.highestSpeed, QStringLiteral("2.00 Mb/s"));
        QCOMPARE(stats.highestBits, QStringLiteral("16000 Kbit/s"));
        QCOMPARE(stats.lowestSpeed, QStringLiteral("1000 Bytes"));
        QCOMPARE(stats.lowestBits, QStringLiteral("8 Kbit/s"));
    }

    // Ticks that cannot show a speed leave the labels and the graphs as they are.
    void ticksWithoutASpeed_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("average");
        QTest::newRow("no time yet") << qint64(0) << qint64(500) << qint64(10'000) << "0.00 Kb/s";
        QTest::newRow("progress unknown") << qint64(1000) << qint64(0) << qint64(0) << "0.00 Kb/s";
        QTest::newRow("file complete: average only")
            << qint64(1000) << qint64(2999) << qint64(3000) << "1.95 Kb/s";
    }

    void ticksWithoutASpeed()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(qint64, ms);
        QSignalSpy remaining(m_meter.get(), &SpeedMeter::remainingTextChanged);
        m_meter->setProgress(received, total);
        tick(3000, ms);
        QCOMPARE(remaining.count(), 0);
        QCOMPARE(m_meter->averageSamples(), QList<int>(SpeedMeter::SampleCount, 0));
        QTEST(m_meter->stats().averageSpeed, "average");
    }

    void averageLeavesOutResumeBaseAndPausedTime()
    {
        const qint64 base = 1'000'000;
        m_meter->restore(ElapsedClock{0, 2, 0}, base);
        QSignalSpy average(m_meter.get(), &SpeedMeter::averageSpeedChanged);
        QSignalSpy remaining(m_meter.get(), &SpeedMeter::remainingTextChanged);
        m_meter->addBytes(1);
        m_now += 1000;
        m_meter->pause();
        m_now += 10'000;
        m_meter->resume();
        // 4 000 000 bytes in 2 running seconds; 30 s left at 2000 thousands per second.
        m_meter->setProgress(base + 4'000'000, base + 4'000'000 + 30 * 1024 * 2000);
        tick(0, 1000);
        QCOMPARE(average.count(), 1);
        QCOMPARE(average.at(0).at(0).toString(), QStringLiteral("1.95 Mb/s"));
        QCOMPARE(average.at(0).at(1).toString(), QStringLiteral("15625 Kbit/s"));
        QCOMPARE(remaining.at(0).at(0).toString(), QStringLiteral("00:00:30"));
        QCOMPARE(m_meter->averageSamples().last(), 15625);
    }

    void clockCarriesIntoHundredHours()
    {
        m_meter->restore(ElapsedClock{99, 59, 59}, 0);
        QSignalSpy text(m_meter.get(), &SpeedMeter::elapsedTextChanged);
        m_meter->clockTick();
        QCOMPARE(text.count(), 1);
        QCOMPARE(text.at(0).at(0).toString(), QStringLiteral("100:00:00"));
        QCOMPARE(m_meter->stats().time, QStringLiteral("100:00:00"));
    }

    void timersRunFromFirstDataUntilPauseOrStop()
    {
        SpeedMeter meter(5, 5, [this] { return m_now; });
        QVERIFY(!meter.isMeasuring());
        meter.addBytes(10);
        QSignalSpy clock(&meter, &SpeedMeter::elapsedTextChanged);
        QVERIFY(clock.wait());
        meter.pause();
        meter.addBytes(10);
        QVERIFY(!meter.isMeasuring());
        meter.resume();
        QVERIFY(meter.isMeasuring());
        meter.stop();
        meter.resume();
        QVERIFY(!meter.isMeasuring());
    }

private:
    void tick(qint64 bytes, qint64 ms)
    {
        m_meter->addBytes(bytes);
        m_now += ms;
        m_meter->speedTick();
    }

    qint64 m_now = 0;
    std::unique_ptr<SpeedMeter> m_meter;
};

QTEST_GUILESS_MAIN(tst_SpeedMeter)
#include "tst_SpeedMeter.moc"
