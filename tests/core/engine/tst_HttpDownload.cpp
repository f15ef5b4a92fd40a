#include "EngineRig.h"
#include "NginxServer.h"
#include "SocksServer.h"
#include "SquidServer.h"
#include "TestFiles.h"
#include "TestHosts.h"

#include "engine/PackPlan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <optional>

// Whole downloads from a real nginx, some of them paused, closed or cut off on the way: each
// file ends byte-identical in the download folder with its record and a pack log of one ":1"
// line per pack, and each pack is asked for once, then once more from the bytes its piece held
// when the download was taken up again, never from its start.
class tst_HttpDownload final : public QObject
{
    Q_OBJECT

private slots:
    void downloadsTheFile_data();
    void downloadsTheFile();
    void unresolvableHostPausesUntilCancelled();
    void limitSetWhileRunningHoldsItBack();
};

namespace {

constexpr qint64 PackSize = 256000;
constexpr qint64 Size = 3000000; // 12 packs, the last one short
constexpr int TimeoutMs = 60000;
constexpr int Never = -2;       // the download is not interrupted
constexpr int AsSlot4Asks = -1; // interrupted as slot 4 sends its first request

QString piece(const EngineRig &rig, qint64 pack)
{
    return rig.receiveFolder("setup") + QStringLiteral("setup(%1).qfd").arg(pack);
}

qint64 pieceSize(const EngineRig &rig, qint64 pack)
{
    return QFileInfo(piece(rig, pack)).size();
}

// The Range of each pack the log does not name complete, from the bytes its piece holds.
QStringList rangesStillToAsk(const EngineRig &rig, qint64 size)
{
    const QSet<QByteArray> lines = rig.packLogLines("setup");
    QStringList ranges;
    for (qint64 pack = 0; pack * PackSize < size; ++pack) {
        if (!lines.contains(piece(rig, pack).toUtf8() + ":1\r\n"))
            ranges << QStringLiteral("bytes=%1-%2")
                          .arg(pack * PackSize + pieceSize(rig, pack))
                          .arg(qMin((pack + 1) * PackSize, size));
    }
    ranges.sort();
    return ranges;
}

} // namespace

void tst_HttpDownload::downloadsTheFile_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<NginxOptions>("options");
    QTest::addColumn<int>("connections"); // nginx saw this many when not interrupted
    QTest::addColumn<int>("at");          // interrupted once this pack holds data
    QTest::addColumn<int>("toggles");     // then "Pause" / "Resume" pressed this often
    QTest::addColumn<QString>("via");     // "squid", "socks" (to a name of ::1 alone), "ipv6-only"
    // The tag says when the file has "no dot" in its name, when the program is "closed" once
    // interrupted and starts again, and when the "server gone" refuses every connection for a
    // while.
    const NginxOptions slow = {PackSize, 64000, {}}; // a pack a second

    // Each slot's packs share its connection while nginx keeps it.
    QTest::newRow("20 whole packs") << 20 * PackSize << NginxOptions{} << 4 << Never << 0 << "";
    // The file takes the name of its own receive folder; two slots stay idle.
    QTest::newRow("a pack and a byte, no dot in the name")
        << PackSize + 1 << NginxOptions{} << 2 << Never << 0 << "";
    QTest::newRow("no keep-alive")
        << Size << NginxOptions{0, 0, {"keepalive_timeout 0;"}} << 12 << Never << 0 << "";
    QTest::newRow("https") << Size << NginxOptions{0, 0, {}, NginxOptions::Tls::TestAuthority} << 4
                           << Never << 0 << "";
    QTest::newRow("paused, resumed and paused at once") << Size << slow << -1 << 3 << 3 << "";
    QTest::newRow("paused before slot 4 received a byte")
        << Size << slow << -1 << AsSlot4Asks << 0 << "";
    QTest::newRow("closed while downloading") << Size << slow << -1 << 4 << 0 << "";
    QTest::newRow("closed while paused") << Size << slow << -1 << 4 << 1 << "";
    // A login or the browser's cookies, which every request carries, outlast a restart.
    QTest::newRow("a login, closed while downloading")
        << Size << NginxOptions{PackSize, 64000, {}, {}, {}, {{"/", "anna", "se:cret"}}} << -1 << 4
        << 0 << "";
    QTest::newRow("the browser's cookies, closed while downloading")
        << Size
        << NginxOptions{PackSize, 64000, {}, {}, {}, {}, {}, {{"/", "s", "s3cret", "http://h/"}}}
        << -1 << 4 << 0 << "";
    // The download pauses and resumes by itself until the server is back.
    QTest::newRow("server gone for a while") << Size << slow << -1 << 4 << 0 << "";
    // Squid tunnels only to 443: plain HTTP goes in absolute form. Through a proxy too, each
    // slot keeps its connection for its next packs.
    const NginxOptions tls{.tls = NginxOptions::Tls::TestAuthority, .ipv6 = true};
    QTest::newRow("squid, absolute form") << Size << NginxOptions{} << 0 << Never << 0 << "squid";
    QTest::newRow("squid, tunnelled TLS") << Size << tls << 4 << Never << 0 << "squid";
    QTest::newRow("SOCKS5, TLS to a name only the proxy resolves")
        << Size << tls << 4 << Never << 0 << "socks";
    QTest::newRow("a name of an IPv6 address alone")
        << Size << tls << 4 << Never << 0 << "ipv6-only";
}

void tst_HttpDownload::downloadsTheFile()
{
    QFETCH(qint64, size);
    QFETCH(NginxOptions, options);
    QFETCH(int, connections);
    QFETCH(int, at);
    QFETCH(int, toggles);
    QFETCH(QString, via);
    const QByteArray tag = QTest::currentDataTag();
    const QString fileName = tag.contains("no dot") ? "setup" : "setup.exe";
    const bool close = tag.contains("closed");
    const bool serverGone = tag.contains("server gone");
    EngineRig rig;
    const QByteArray bytes = TestFiles::randomBytes(size, quint32(size));
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + fileName, bytes));
    NginxServer nginx(rig.serveFolder(), options);
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    rig.settings.setTestCaFile(nginx.caFile());
    SquidServer squid({{options.tls == NginxOptions::Tls::Off ? "443" : "1024-65535"}});
    SocksServer socks;
    QVERIFY((via != "squid" || squid.start()) && (via != "socks" || socks.start()));
    rig.settings.setProxy(
        {via == "squid" || via == "socks" ? ProxySetting::Mode::Manual : ProxySetting::Mode::None,
         via == "socks" ? ProxySetting::Type::Socks5 : ProxySetting::Type::Http, "127.0.0.1",
         via == "socks" ? socks.port() : squid.port()});
    QString url = nginx.url(fileName);
    if (via == "socks" || via == "ipv6-only")
        url.replace("[::1]", TestHosts::Ipv6Only);
    ProjectAccess access; // what the server's login or gate asks for
    for (const NginxOptions::Login &login : options.logins)
        access.login = {login.user, login.password};
    for (const NginxOptions::Gate &gate : options.gates)
        access.browser = {gate.cookieName + '=' + gate.cookieValue, gate.referer + "page", "UA/1"};
    QVERIFY(rig.queue("setup", url, size, PackSize, access));
    QSignalSpy overall(&rig.captions, &RunCaptions::overallStatusChanged);
    QSignalSpy action(&rig.captions, &RunCaptions::actionChanged);
    QSignalSpy plan(&rig.captions, &RunCaptions::planTextChanged);
    QSignalSpy titles(&rig.captions, &RunCaptions::titleChanged);
    connect(&rig.captions, &RunCaptions::slotStatusChanged, this,
            [&](int slot, const QString &caption) {
                if (at == AsSlot4Asks && slot == 4 && caption == "Sending request...") {
                    at = Never;
                    QMetaObject::invokeMethod(&rig.engine, &Engine::togglePause,
                                              Qt::QueuedConnection);
                }
            });
    const bool interrupted = at != Never;
    QStringList expected = rangesStillToAsk(rig, size);
    std::optional<NextRun> run;

    rig.engine.startQueue();
    if (interrupted) {
        QTRY_VERIFY_WITH_TIMEOUT(at >= 0 ? pieceSize(rig, at) > 0 : rig.engine.isPaused(),
                                 TimeoutMs);
        for (int toggle = 0; toggle < toggles; ++toggle) {
            rig.engine.togglePause();
            if (toggle == 0) // what the first pause keeps outlasts a resume and a pause at once
                expected = rangesStillToAsk(rig, size);
        }
        const bool paused = rig.engine.isPaused();
        if (paused) {
            QVERIFY(!rig.engine.speedMeter().isMeasuring());
            QCOMPARE(overall.last() + action.last(), QVariantList({"Pause...", true, "Resume"}));
        }
        if (close)
            rig.engine.shutdown();
        if (!access.isEmpty()) // no one else may read what the restart needs
            QCOMPARE(TestFiles::filesHolding(rig.home.root(), "cret"),
                     QStringList{"data/projects/setup/access.qfd 600"});
        if (serverGone) {
            nginx.stop();
            QTRY_VERIFY_WITH_TIMEOUT(overall.count({"Pause..."}) >= 3, TimeoutMs);
            QVERIFY(overall.contains({"Connection lost, retrying in 1 s..."})); // rounded up
            QTRY_VERIFY_WITH_TIMEOUT(overall.count({"Downloading..."}) >= 4, TimeoutMs);
        }
        if (toggles == 0)
            expected = rangesStillToAsk(rig, size);
        const QByteArray clock = rig.projectFile("setup", "infos.qfd");
        // Left by a crash, and none of it may be used: a piece of a pack not begun yet, and a
        // work file grown past the packs joined (as the power went).
        QFile work(rig.receiveFolder("setup") + "final.qfd");
        if (close)
            QVERIFY(TestFiles::writeFile(piece(rig, 11), "stale bytes") &&
                    work.open(QIODevice::ReadWrite) && work.resize(size + 1));
        work.close();
        // Requests already sent may be logged late: nginx starts afresh for what follows.
        nginx.stop();
        nginx.clearAccessLog();
        QVERIFY2(nginx.restart(), qPrintable(nginx.errorString()));
        if (close) {
            run.emplace(rig);
            run->engine.resumeInterrupted();
            QCOMPARE(run->engine.speedMeter().elapsed().toText(), clock);
        } else if (paused) {
            rig.engine.togglePause();
            QCOMPARE(overall.last() + action.last(),
                     QVariantList({"Downloading...", true, "Pause"}));
        }
    }
    QTRY_COMPARE_WITH_TIMEOUT((run ? run->finished : rig.finished).count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + fileName), TestFiles::sha256(bytes));
    // The proxy was used, and given the server's name (squid logs a request once it is done).
    QTRY_VERIFY(via == "socks" ? socks.connections().value(0).startsWith(TestHosts::Ipv6Only)
                               : via != "squid" || !squid.requests().isEmpty());
    QCOMPARE(QDir(rig.downloadFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{fileName});
    QCOMPARE(rig.projectFile("setup", "project.qfd"), rig.finishedRecord(url, size, PackSize));
    const qint64 packs = (size + PackSize - 1) / PackSize;
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines(packs));
    QCOMPARE(rig.projectFile("setup", "download.qfd").count('\n'), packs); // no line twice
    QVERIFY(rig.messages.isEmpty() && (!run || run->messages.isEmpty()));
    QVERIFY(TestFiles::filesHolding(rig.home.root(), "cret").isEmpty()); // forgotten once done
    for (const NginxServer::Request &request : nginx.requests())
        QCOMPARE(request.userAgent, access.browser.userAgent.isEmpty()
                                        ? "Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)"
                                        : "UA/1");
    QCOMPARE(plan.at(0), QVariantList{RunCaptions::packsText(PackPlan(size, PackSize).packs())});
    QTRY_COMPARE_WITH_TIMEOUT(sortedRanges(nginx), expected, TimeoutMs);
    if (interrupted)
        return;
    QVERIFY(titles.contains(QVariantList{"100% - Quillfetch"}));
    QCOMPARE(overall, QList<QVariantList>({{"Inistialising"}, {"Downloading..."}, {"Nothing"}}));
    QSet<qint64> seen;
    for (const NginxServer::Request &request : nginx.requests())
        seen.insert(request.connection);
    QCOMPARE(seen.size(), connections == 0 ? seen.size() : connections); // 0: squid's to see
}

// A start held (while the options are open) takes nothing. A host that cannot be found: the
// four slots fail together and the user reads the message once, with the download paused; after
// "Resume" the next failure is reported again. Cancelled, it makes way for the next project,
// which meets a proxy out of reach.
void tst_HttpDownload::unresolvableHostPausesUntilCancelled()
{
    EngineRig rig;
    // A label this long is refused before any name server is asked: nothing leaves the machine.
    QVERIFY(rig.queue("setup", QString(64, 'a') + ".invalid/setup.exe", Size, PackSize));
    QVERIFY(rig.queue("next", "127.0.0.1:9/next.bin", 10, PackSize));
    QSignalSpy action(&rig.captions, &RunCaptions::actionChanged);
    const QVariantList message = {
        "Please check your Internet connection and then click on the resume button !", "Error"};
    rig.engine.setStartHeld(true);
    rig.engine.startQueue();
    QVERIFY(!action.wait(10 * EngineRig::fastIntervals().startTickMs));
    rig.engine.setStartHeld(false);

    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, TimeoutMs);
    QVERIFY(!rig.messages.wait(200));
    QVERIFY(rig.engine.isPaused());
    QCOMPARE(action.last(), QVariantList({true, "Resume"}));
    rig.engine.togglePause();
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 2, TimeoutMs);
    QCOMPARE(rig.messages, QList<QVariantList>({message, message}));

    rig.settings.setProxy({ProxySetting::Mode::Manual, ProxySetting::Type::Http, "127.0.0.1", 1});
    rig.engine.cancelRunning();
    QVERIFY(rig.store.cancel("setup"));
    QCOMPARE(action.last(), QVariantList({false, "Pause"}));
    QTRY_COMPARE(rig.engine.currentProject(), "next");
    // Through a proxy that cannot be reached, it pauses and names the proxy.
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 3, TimeoutMs);
    QCOMPARE(rig.messages.last(),
             QVariantList({"The proxy 127.0.0.1:1 refused the connection.", "Error"}));
    QVERIFY(rig.engine.isPaused());
}

// A speed limit set while the download runs holds all its connections back at once; lifted, the
// download goes on at full speed. Coarse on purpose: the limit's accuracy is the bench's.
void tst_HttpDownload::limitSetWhileRunningHoldsItBack()
{
    EngineRig rig;
    const QByteArray bytes = TestFiles::randomBytes(Size, 24);
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + "setup.exe", bytes));
    NginxServer nginx(rig.serveFolder(), {PackSize, 64000, {}}); // a pack a second a connection
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(rig.queue("setup", nginx.url("setup.exe"), Size, PackSize));
    qint64 received = 0;
    connect(&rig.engine, &Engine::progressChanged, this,
            [&received](const RunProgress &progress) { received = progress.received; });
    // Waits for this many more bytes: the bytes per second they came at, 0 when they did not come.
    const auto rateOf = [&received](qint64 bytes) {
        const qint64 from = received;
        QElapsedTimer clock;
        clock.start();
        const bool came = QTest::qWaitFor([&] { return received >= from + bytes; }, TimeoutMs);
        return came ? (received - from) * 1000 / qMax<qint64>(1, clock.elapsed()) : 0;
    };

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(received >= 300'000, TimeoutMs);
    const qint64 free = rateOf(600'000);
    rig.engine.setSpeedLimit(100 * 1024);
    const qint64 limited = rateOf(200'000);
    rig.engine.setSpeedLimit(0);
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE_GT(limited, 0);
    QCOMPARE_LE(limited * 2, free);
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QVERIFY(rig.messages.isEmpty());
}

QTEST_GUILESS_MAIN(tst_HttpDownload)
#include "tst_HttpDownload.moc"
