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
    void initTestCase();
    void init();
    void instantSpeedTexts_data();
    void instantSpeedTexts();
    void tickWithoutDataLeavesInstantAlone();
    void firstTickWithoutElapsedTimeHasNoAverage();
    void averageLeavesOutResumeBaseAndPausedTime();
    void completeFileUpdatesOnlyTheAverage();
    void nothingBeforeProgressIsKnown();
    void highestAndLowestFollowTheInstantSpeed();
    void statsBeforeAnyData();
    void clockRollsOver_data();
    void clockRollsOver();
    void samplesKeepTheLastFifty();
    void timersRunFromFirstDataUntilPauseOrStop();

private:
    qint64 m_now = 0;
    std::unique_ptr<SpeedMeter> m_meter;
};

void tst_SpeedMeter::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void tst_SpeedMeter::init()
{
    m_now = 100000;
    m_meter = std::make_unique<SpeedMeter>(1060, 1000, [this] { return m_now; });
}

void tst_SpeedMeter::instantSpeedTexts_data()
{
    QTest::addColumn<qint64>("tickBytes");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("bits");
    QTest::newRow("kept to ten bytes") << qint64(2048) << "2.00 Kb/s"
                                       << "16 Kbit/s";
    QTest::newRow("rounds down") << qint64(1004) << "1000 Bytes"
                                 << "8 Kbit/s";
    QTest::newRow("a few bytes") << qint64(5) << "10 Bytes"
                                 << "0 Kbit/s";
    QTest::newRow("megabytes") << qint64(2048004) << "2.00 Mb/s"
                               << "16000 Kbit/s";
}

void tst_SpeedMeter::instantSpeedTexts()
{
    QFETCH(qint64, tickBytes);
    QFETCH(QString, speed);
    QFETCH(QString, bits);
    QSignalSpy instant(m_meter.get(), &SpeedMeter::instantSpeedChanged);
    m_meter->setProgress(1, 1'000'000'000);
    m_meter->addBytes(tickBytes);
    m_meter->speedTick();
    QCOMPARE(instant.count(), 1);
    QCOMPARE(instant.at(0).at(0).toString(), speed);
    QCOMPARE(instant.at(0).at(1).toString(), bits);
    QCOMPARE(m_meter->instantSamples().last(), bits.section(QLatin1Char(' '), 0, 0).toInt());
}

void tst_SpeedMeter::tickWithoutDataLeavesInstantAlone()
{
    QSignalSpy instant(m_meter.get(), &SpeedMeter::instantSpeedChanged);
    QSignalSpy samples(m_meter.get(), &SpeedMeter::samplesChanged);
    m_meter->setProgress(1000, 1'000'000);
    m_meter->addBytes(4);
    m_meter->speedTick();
    QCOMPARE(instant.count(), 0);
    QCOMPARE(samples.count(), 0);
    QCOMPARE(m_meter->instantSamples(), QList<int>(SpeedMeter::SampleCount, 0));
}

void tst_SpeedMeter::firstTickWithoutElapsedTimeHasNoAverage()
{
    QSignalSpy average(m_meter.get(), &SpeedMeter::averageSpeedChanged);
    QSignalSpy remaining(m_meter.get(), &SpeedMeter::remainingTextChanged);
    m_meter->addBytes(500'000);
    m_meter->setProgress(500'000, 10'000'000);
    m_meter->speedTick();
    QCOMPARE(average.count(), 0);
    QCOMPARE(remaining.count(), 0);
    QCOMPARE(m_meter->averageSamples(), QList<int>(SpeedMeter::SampleCount, 0));
    QCOMPARE(m_meter->stats().averageSpeed, QStringLiteral("0.00 Kb/s"));
}

void tst_SpeedMeter::averageLeavesOutResumeBaseAndPausedTime()
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
    m_now += 1000;
    // 4 000 000 bytes in 2 running seconds; 30 s left at 2000 thousands per second.
    m_meter->setProgress(base + 4'000'000, base + 4'000'000 + 30 * 1024 * 2000);
    m_meter->speedTick();
    QCOMPARE(average.count(), 1);
    QCOMPARE(average.at(0).at(0).toString(), QStringLiteral("1.95 Mb/s"));
    QCOMPARE(average.at(0).at(1).toString(), QStringLiteral("15625 Kbit/s"));
    QCOMPARE(remaining.at(0).at(0).toString(), QStringLiteral("00:00:30"));
    QCOMPARE(m_meter->averageSamples().last(), 15625);
    QCOMPARE(m_meter->stats().averageBits, QStringLiteral("15625 Kbit/s"));
}

void tst_SpeedMeter::completeFileUpdatesOnlyTheAverage()
{
    QSignalSpy instant(m_meter.get(), &SpeedMeter::instantSpeedChanged);
    QSignalSpy average(m_meter.get(), &SpeedMeter::averageSpeedChanged);
    QSignalSpy remaining(m_meter.get(), &SpeedMeter::remainingTextChanged);
    m_meter->addBytes(3000);
    m_now += 1000;
    m_meter->setProgress(2999, 3000);
    m_meter->speedTick();
    QCOMPARE(instant.count(), 0);
    QCOMPARE(remaining.count(), 0);
    QCOMPARE(average.count(), 1);
    QCOMPARE(average.at(0).at(0).toString(), QStringLiteral("1.95 Kb/s"));
    QCOMPARE(m_meter->averageSamples(), QList<int>(SpeedMeter::SampleCount, 0));
    QCOMPARE(m_meter->stats().averageSpeed, QStringLiteral("1.95 Kb/s"));
}

void tst_SpeedMeter::nothingBeforeProgressIsKnown()
{
    QSignalSpy instant(m_meter.get(), &SpeedMeter::instantSpeedChanged);
    m_meter->addBytes(5000);
    m_now += 1000;
    m_meter->speedTick();
    QCOMPARE(instant.count(), 0);
    // The tick dropped its bytes: the next tick counts only what came after it.
    m_meter->setProgress(6000, 100'000);
    m_meter->addBytes(1000);
    m_meter->speedTick();
    QCOMPARE(instant.count(), 1);
    QCOMPARE(instant.at(0).at(0).toString(), QStringLiteral("1000 Bytes"));
}

void tst_SpeedMeter::highestAndLowestFollowTheInstantSpeed()
{
    m_meter->setProgress(1, 100'000'000);
    for (const qint64 bytes : {3000, 0, 1000, 5000, 2000}) {
        m_meter->addBytes(bytes);
        m_now += 1060;
        m_meter->speedTick();
    }
    const StatsRecord stats = m_meter->stats();
    QCOMPARE(stats.highestSpeed, QStringLiteral("4.88 Kb/s"));
    QCOMPARE(stats.highestBits, QStringLiteral("39 Kbit/s"));
    QCOMPARE(stats.lowestSpeed, QStringLiteral("1000 Bytes"));
    QCOMPARE(stats.lowestBits, QStringLiteral("8 Kbit/s"));
}

void tst_SpeedMeter::statsBeforeAnyData()
{
    const StatsRecord stats = m_meter->stats();
    QCOMPARE(stats.time, QStringLiteral("00:00:00"));
    QVERIFY(stats.highestSpeed.isEmpty() && stats.highestBits.isEmpty());
    QVERIFY(stats.lowestSpeed.isEmpty() && stats.lowestBits.isEmpty());
    QCOMPARE(stats.averageSpeed, QStringLiteral("0.00 Kb/s"));
    QCOMPARE(stats.averageBits, QStringLiteral("0.0 Kbits/s"));
}

void tst_SpeedMeter::clockRollsOver_data()
{
    QTest::addColumn<int>("hours");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("expected");
    QTest::newRow("second") << 0 << 0 << 0 << "00:00:01";
    QTest::newRow("minute") << 0 << 0 << 59 << "00:01:00";
    QTest::newRow("hour") << 0 << 59 << 59 << "01:00:00";
    QTest::newRow("hundred hours") << 99 << 59 << 59 << "100:00:00";
}

void tst_SpeedMeter::clockRollsOver()
{
    QFETCH(int, hours);
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    QFETCH(QString, expected);
    m_meter->restore(ElapsedClock{hours, minutes, seconds}, 0);
    QSignalSpy text(m_meter.get(), &SpeedMeter::elapsedTextChanged);
    m_meter->clockTick();
    QCOMPARE(text.count(), 1);
    QCOMPARE(text.at(0).at(0).toString(), expected);
    QCOMPARE(m_meter->elapsedText(), expected);
    QCOMPARE(m_meter->stats().time, expected);
}

void tst_SpeedMeter::samplesKeepTheLastFifty()
{
    m_meter->setProgress(1, 1'000'000'000);
    for (int tick = 1; tick <= 60; ++tick) {
        m_meter->addBytes(tick * 1280);
        m_now += 1000;
        m_meter->speedTick();
    }
    const QList<int> &samples = m_meter->instantSamples();
    QCOMPARE(samples.size(), SpeedMeter::SampleCount);
    QCOMPARE(samples.first(), 110);
    QCOMPARE(samples.last(), 600);
    QCOMPARE(m_meter->averageSamples().size(), SpeedMeter::SampleCount);
    m_meter->reset();
    QCOMPARE(m_meter->instantSamples(), QList<int>(SpeedMeter::SampleCount, 0));
}

void tst_SpeedMeter::timersRunFromFirstDataUntilPauseOrStop()
{
    SpeedMeter meter(5, 5, [this] { return m_now; });
    QVERIFY(!meter.isMeasuring());
    meter.pause();
    meter.resume();
    QVERIFY(!meter.isMeasuring());
    meter.addBytes(10);
    QVERIFY(meter.isMeasuring());
    QSignalSpy clock(&meter, &SpeedMeter::elapsedTextChanged);
    QVERIFY(clock.wait());
    meter.pause();
    QVERIFY(!meter.isMeasuring());
    meter.addBytes(10);
    QVERIFY(!meter.isMeasuring());
    meter.resume();
    QVERIFY(meter.isMeasuring());
    meter.stop();
    QVERIFY(!meter.isMeasuring());
    meter.resume();
    meter.addBytes(10);
    QVERIFY(!meter.isMeasuring());
}

QTEST_GUILESS_MAIN(tst_SpeedMeter)
#include "tst_SpeedMeter.moc"
