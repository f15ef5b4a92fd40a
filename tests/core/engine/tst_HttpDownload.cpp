#include "EngineRig.h"
#include "NginxServer.h"
#include "TestFiles.h"

#include <QDir>
#include <QLocale>
#include <QTest>

// Whole downloads from a real nginx: each file ends byte-identical in the download folder, with
// its record and pack log in their exact formats, each pack asked for once.
class tst_HttpDownload final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void downloadsTheFile_data();
    void downloadsTheFile();
    void heldStartTakesNothing();

private:
    static constexpr int TimeoutMs = 120000;
};

void tst_HttpDownload::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void tst_HttpDownload::downloadsTheFile_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<NginxOptions::Tls>("tls");
    QTest::addColumn<bool>("keepAlive");  // nginx keeps connections
    QTest::addColumn<int>("connections"); // nginx saw this many
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("planText");
    using Tls = NginxOptions::Tls;

    // Each slot's packs share its connection while nginx keeps it.
    QTest::newRow("20 whole packs") << qint64(20 * 65536) << Tls::Off << true << 4 << "setup.exe"
                                    << "20 times 64.00 Kb";
    // Two slots stay idle. The file takes the name of its own receive folder.
    QTest::newRow("a pack and a byte, no dot in the name")
        << qint64(65537) << Tls::Off << true << 2 << "setup"
        << "1 times 64.00 Kb and 1 Bytes";
    QTest::newRow("no keep-alive") << qint64(1300000) << Tls::Off << false << 20 << "setup.exe"
                                   << "19 times 64.00 Kb and 53.53 Kb";
    QTest::newRow("https") << qint64(1300000) << Tls::TestAuthority << true << 4 << "setup.exe"
                           << "19 times 64.00 Kb and 53.53 Kb";
}

void tst_HttpDownload::downloadsTheFile()
{
    QFETCH(qint64, size);
    QFETCH(NginxOptions::Tls, tls);
    QFETCH(bool, keepAlive);
    QFETCH(QString, fileName);
    constexpr qint64 PackSize = 65536;
    EngineRig rig;
    const QByteArray bytes = TestFiles::randomBytes(size, quint32(size));
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + fileName, bytes));
    NginxServer nginx(rig.serveFolder(),
                      {0, 0, keepAlive ? QStringList() : QStringList{"keepalive_timeout 0;"}, tls});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    rig.settings.setTestCaFile(nginx.caFile());
    const QString url = nginx.url(fileName);
    QVERIFY(rig.queue("setup", url, size, PackSize));
    QSignalSpy overall(&rig.engine, &Engine::overallStatusChanged);
    QSignalSpy captions(&rig.engine, &Engine::slotStatusChanged);
    QSignalSpy plan(&rig.engine, &Engine::planTextChanged);
    QSignalSpy toGo(&rig.engine, &Engine::packsToGoTextChanged);
    QSignalSpy titles(&rig.engine, &Engine::titleChanged);

    rig.engine.startQueue();
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + fileName), TestFiles::sha256(bytes));
    QCOMPARE(QDir(rig.downloadFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{fileName});
    QCOMPARE(rig.projectFile("setup", "project.qfd"), rig.finishedRecord(url, size, PackSize));
    const qint64 packs = (size + PackSize - 1) / PackSize;
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", packs));
    QVERIFY(rig.projectFile("setup", "stats.qfd").startsWith("Time:"));
    QVERIFY(rig.messages.isEmpty());
    QCOMPARE(overall, QList<QVariantList>({{"Inistialising"}, {"Downloading..."}, {"Nothing"}}));
    QTEST(plan.at(0).at(0).toString(), "planText");
    QCOMPARE(toGo.last(), QVariantList{"Nothing"});
    QList<QVariantList> slotFour = captions;
    slotFour.removeIf([](const QVariantList &signal) { return signal.at(0) != 4; });
    QCOMPARE(slotFour.constLast(), QVariantList({4, "Nothing"})); // idle or done, it says so
    QVERIFY(titles.contains(QVariantList{"100% - Quillfetch"}));
    QCOMPARE(titles.last(), QVariantList{"Quillfetch"});
    QStringList ranges;
    for (qint64 start = 0; start < size; start += PackSize)
        ranges << QStringLiteral("bytes=%1-%2").arg(start).arg(qMin(start + PackSize, size));
    ranges.sort();
    QTRY_COMPARE(sortedRanges(nginx), ranges);
    QSet<qint64> seen;
    for (const NginxServer::Request &request : nginx.requests())
        seen.insert(request.connection);
    QTEST(int(seen.size()), "connections");
}

void tst_HttpDownload::heldStartTakesNothing()
{
    EngineRig rig;
    QVERIFY(rig.queue("setup", "127.0.0.1:9/setup.exe", 10, 512000));
    rig.engine.setStartHeld(true);
    rig.engine.startQueue();
    QSignalSpy overall(&rig.engine, &Engine::overallStatusChanged);
    QVERIFY(!overall.wait(10 * EngineRig::fastIntervals().startTickMs));
    rig.engine.setStartHeld(false);
    QVERIFY(overall.wait());
}

QTEST_GUILESS_MAIN(tst_HttpDownload)
#include "tst_HttpDownload.moc"
