#include "EngineRig.h"
#include "NginxServer.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTest>

// Whole downloads from a real nginx: each file ends byte-identical in the download folder, with
// its record, list, pack log and statistics in their exact formats.
class tst_HttpDownload final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void downloadsTheFile_data();
    void downloadsTheFile();
    void workedExampleLeavesSlotFourIdle();
    void twoQueuedProjectsFollowEachOther();
    void heldStartTakesNothing();

private:
    static constexpr int TimeoutMs = 120000;
};

namespace {

QStringList expectedRanges(qint64 size, qint64 packSize)
{
    QStringList ranges;
    for (qint64 start = 0; start < size; start += packSize)
        ranges << QStringLiteral("bytes=%1-%2").arg(start).arg(qMin(start + packSize, size));
    ranges.sort();
    return ranges;
}

} // namespace

void tst_HttpDownload::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void tst_HttpDownload::downloadsTheFile_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("packSize");
    QTest::addColumn<bool>("checkRanges");
    QTest::addColumn<NginxOptions::Tls>("tls");
    QTest::addColumn<bool>("keepAlive");  // nginx keeps connections
    QTest::addColumn<int>("connections"); // nginx saw this many; 0: not checked
    QTest::addColumn<QString>("fileName");
    using Tls = NginxOptions::Tls;
    const QString exe = "setup.exe";

    QTest::newRow("one byte") << qint64(1) << qint64(512000) << true << Tls::Off << true << 0
                              << exe;
    QTest::newRow("exactly one pack")
        << qint64(65536) << qint64(65536) << true << Tls::Off << true << 0 << exe;
    QTest::newRow("one pack plus one byte")
        << qint64(65537) << qint64(65536) << true << Tls::Off << true << 0 << exe;
    QTest::newRow("worked example")
        << qint64(1300000) << qint64(512000) << true << Tls::Off << true << 0 << exe;
    QTest::newRow("64 MiB") << qint64(64 * 1024 * 1024) << qint64(512000) << false << Tls::Off
                            << true << 0 << exe;
    // The file takes the name of its own receive folder.
    QTest::newRow("no dot in the name")
        << qint64(1300000) << qint64(512000) << true << Tls::Off << true << 0 << "setup";
    // 20 packs: a slot's packs share its connection while nginx keeps it.
    QTest::newRow("kept connections")
        << qint64(1300000) << qint64(65536) << true << Tls::Off << true << 4 << exe;
    QTest::newRow("no keep-alive")
        << qint64(1300000) << qint64(65536) << true << Tls::Off << false << 20 << exe;
    QTest::newRow("https, kept connections")
        << qint64(1300000) << qint64(65536) << true << Tls::TestAuthority << true << 4 << exe;
}

void tst_HttpDownload::downloadsTheFile()
{
    QFETCH(qint64, size);
    QFETCH(qint64, packSize);
    QFETCH(bool, checkRanges);
    QFETCH(NginxOptions::Tls, tls);
    QFETCH(bool, keepAlive);
    QFETCH(int, connections);
    QFETCH(QString, fileName);

    EngineRig rig;
    const QByteArray bytes = TestFiles::randomBytes(size, quint32(size));
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + fileName, bytes));
    NginxServer nginx(rig.serveFolder(),
                      {0, 0, keepAlive ? QStringList() : QStringList{"keepalive_timeout 0;"}, tls});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    rig.settings.setTestCaFile(nginx.caFile());
    const QString url = nginx.url(fileName);
    QVERIFY(rig.queue("setup", url, size, packSize));

    rig.engine.startQueue();
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(rig.finished.at(0).at(0).toString(), "setup");
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + fileName), TestFiles::sha256(bytes));
    QCOMPARE(QDir(rig.downloadFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{fileName});
    QCOMPARE(rig.projectFile("setup", "project.qfd"), rig.finishedRecord(url, size, packSize));
    QCOMPARE(rig.contents(rig.store.paths().mainListPath()), "setup\r\n");
    const qint64 packs = (size + packSize - 1) / packSize;
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", packs));
    QVERIFY2(rig.statsHaveTheirShape("setup"), rig.projectFile("setup", "stats.qfd"));
    QCOMPARE(rig.store.finished().size(), 1);
    QVERIFY(rig.store.running().isEmpty());
    QVERIFY(rig.messages.isEmpty());
    if (checkRanges)
        QTRY_COMPARE(sortedRanges(nginx), expectedRanges(size, packSize));
    QSet<qint64> seen;
    for (const NginxServer::Request &request : nginx.requests())
        seen.insert(request.connection);
    QVERIFY(connections == 0 || seen.size() == connections);
}

void tst_HttpDownload::workedExampleLeavesSlotFourIdle()
{
    EngineRig rig;
    const QByteArray bytes = TestFiles::randomBytes(1300000, 7);
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + "setup.exe", bytes));
    NginxServer nginx(rig.serveFolder());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(rig.queue("setup", nginx.url("setup.exe"), 1300000, 512000));
    QSignalSpy overall(&rig.engine, &Engine::overallStatusChanged);
    QSignalSpy slotCaptions(&rig.engine, &Engine::slotStatusChanged);
    QSignalSpy toGo(&rig.engine, &Engine::packsToGoTextChanged);
    QSignalSpy plan(&rig.engine, &Engine::planTextChanged);
    QSignalSpy titles(&rig.engine, &Engine::titleChanged);

    rig.engine.startQueue();
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(overall.at(0).at(0).toString(), "Inistialising");
    QCOMPARE(overall.at(1).at(0).toString(), "Downloading...");
    QCOMPARE(overall.last().at(0).toString(), "Nothing");
    QCOMPARE(plan.at(0).at(0).toString(), "2 times 500.00 Kb and 269.53 Kb");
    QStringList toGoTexts;
    for (const QList<QVariant> &signal : toGo)
        toGoTexts << signal.at(0).toString();
    QCOMPARE(toGoTexts.mid(0, 4),
             QStringList({"1 times 500.00 Kb and 269.53 Kb", "0 times 500.00 Kb and 269.53 Kb",
                          "0 times 500.00 Kb", "Nothing"}));
    QStringList slotFour;
    for (const QList<QVariant> &signal : slotCaptions) {
        if (signal.at(0).toInt() == 4)
            slotFour << signal.at(1).toString();
    }
    QCOMPARE(slotFour, QStringList({"Initialising", "Initialising", "Nothing"}));
    QCOMPARE(titles.last().at(0).toString(), "Quillfetch");
    QVERIFY(titles.contains(QVariantList{"100% - Quillfetch"}));
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
}

void tst_HttpDownload::twoQueuedProjectsFollowEachOther()
{
    EngineRig rig;
    const QByteArray first = TestFiles::randomBytes(700000, 1);
    const QByteArray second = TestFiles::randomBytes(300001, 2);
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + "first.bin", first));
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + "second.tar.gz", second));
    NginxServer nginx(rig.serveFolder());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(rig.queue("first", nginx.url("first.bin"), first.size(), 100000));
    QVERIFY(rig.queue("second", nginx.url("second.tar.gz"), second.size(), 100000));

    rig.engine.startQueue();
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 2, TimeoutMs);

    QCOMPARE(rig.finished.at(0).at(0).toString(), "first");
    QCOMPARE(rig.finished.at(1).at(0).toString(), "second");
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "first.bin"), TestFiles::sha256(first));
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "second.tar.gz"),
             TestFiles::sha256(second));
    QCOMPARE(rig.contents(rig.store.paths().mainListPath()), "first\r\nsecond\r\n");
    QCOMPARE(rig.projectFile("first", "project.qfd"),
             rig.finishedRecord(nginx.url("first.bin"), first.size(), 100000));
    QCOMPARE(rig.projectFile("second", "project.qfd"),
             rig.finishedRecord(nginx.url("second.tar.gz"), second.size(), 100000));
    QCOMPARE(rig.packLogLines("first"), rig.completeLines("first", "first", 7));
    QCOMPARE(rig.packLogLines("second"), rig.completeLines("second", "second", 4));
    QSignalSpy empty(&rig.engine, &Engine::queueEmpty);
    QVERIFY(empty.wait());
}

void tst_HttpDownload::heldStartTakesNothing()
{
    EngineRig rig;
    QVERIFY(rig.queue("setup", "127.0.0.1:9/setup.exe", 10, 512000));
    rig.engine.setStartHeld(true);
    rig.engine.startQueue();
    QSignalSpy overall(&rig.engine, &Engine::overallStatusChanged);
    QVERIFY(!overall.wait(10 * EngineRig::fastIntervals().startTickMs));
    QCOMPARE(rig.store.waiting().size(), 1);
    rig.engine.setStartHeld(false);
    QVERIFY(overall.wait());
    QCOMPARE(overall.at(0).at(0).toString(), "Inistialising");
}

QTEST_GUILESS_MAIN(tst_HttpDownload)
#include "tst_HttpDownload.moc"
