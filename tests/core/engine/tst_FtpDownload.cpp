#include "EngineRig.h"
#include "FtpServer.h"
#include "SocksServer.h"
#include "SquidServer.h"
#include "TestFiles.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

// Whole FTP downloads through the engine against a real FTP server: the file ends byte for byte
// while slot 4 stays unused, a server without active mode is served in passive mode, and a pause
// continues each begun pack from the byte after its saved length. Over IPv6, which PORT cannot
// carry, and through a proxy, which no server can connect back through, EPSV is asked at once.
class tst_FtpDownload final : public QObject
{
    Q_OBJECT

private slots:
    void downloads_data();
    void downloads();
};

namespace {

constexpr qint64 PackSize = 512000;
constexpr int TimeoutMs = 120000;

} // namespace

void tst_FtpDownload::downloads_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("pause");  // the server also refuses PORT: passive mode
    QTest::addColumn<QString>("via"); // "ipv6", "socks", "squid", or straight over IPv4
    QTest::addColumn<bool>("login");  // as "anna" with the password "se cret", else anonymous
    QTest::newRow("32 MiB") << qint64(32 * 1024 * 1024) << false << "" << false;
    QTest::newRow("passive mode, pause and resume") << qint64(1300000) << true << "" << false;
    QTest::newRow("a login") << qint64(1300000) << false << "" << true;
    QTest::newRow("IPv6") << qint64(1300000) << false << "ipv6" << false;
    QTest::newRow("through SOCKS5") << qint64(1300000) << false << "socks" << false;
    QTest::newRow("through squid's tunnels") << qint64(1300000) << false << "squid" << false;
}

void tst_FtpDownload::downloads()
{
    QFETCH(qint64, size);
    QFETCH(bool, pause);
    QFETCH(QString, via);
    QFETCH(bool, login);
    const qint64 packs = (size + PackSize - 1) / PackSize;
    Engine::Intervals intervals = EngineRig::fastIntervals();
    // Paused, 262144 bytes at once, then 131072 every two seconds: every pack is still arriving.
    const FtpOptions options{.refusePort = pause,
                             .rateLimit = pause ? 100000 : 0,
                             .user = "anna",
                             .password = "se cret",
                             .ipv6 = via == "ipv6"};
    if (pause)
        intervals.stallMs = 20000; // longer than the server's pauses
    EngineRig rig(intervals);
    const QByteArray bytes = TestFiles::randomBytes(size, quint32(size));
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + "setup.exe", bytes));
    FtpServer server(rig.serveFolder(), options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    SquidServer squid({{"1024-65535"}});
    SocksServer socks;
    QVERIFY((via != "squid" || squid.start()) && (via != "socks" || socks.start()));
    const quint16 proxyPort = via == "socks" ? socks.port() : squid.port();
    rig.settings.setProxy(
        {via == "socks" || via == "squid" ? ProxySetting::Mode::Manual : ProxySetting::Mode::None,
         via == "socks" ? ProxySetting::Type::Socks5 : ProxySetting::Type::Http, "127.0.0.1",
         proxyPort});
    const QString url = server.url("set%75p.exe"); // an escape, as links may hold: "setup.exe"
    ProjectRecord record = EngineRig::record(url, size, rig.downloadFolder(), PackSize);
    record.type = "1";
    const Login given = login ? Login{options.user, options.password} : Login();
    QVERIFY(rig.store.createProject("setup", record, {}, {}, {}, {given, {}}));
    QSignalSpy captions(&rig.captions, &RunCaptions::slotStatusChanged);
    const auto piece = [&rig](qint64 pack) {
        return rig.receiveFolder("setup") + QStringLiteral("setup(%1).qfd").arg(pack);
    };

    rig.engine.startQueue();
    QStringList rests; // each begun pack continues after the bytes its piece holds
    if (pause) {
        // The three slots began together: the last pack's bytes come while every pack is open.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(piece(2)).size() > 0, TimeoutMs);
        rig.engine.togglePause();
        for (qint64 pack = 0; pack < 3; ++pack) {
            if (rig.packLogLines("setup").contains(piece(pack).toUtf8() + ":0\r\n"))
                rests << "REST " + QString::number(pack * PackSize + QFileInfo(piece(pack)).size());
        }
        QVERIFY(!rests.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(server.commands().filter("QUIT").size(),
                                  server.commands().filter("User ").size(), TimeoutMs);
        server.clearCommands();
        rig.engine.togglePause();
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines(packs));
    QCOMPARE(rig.projectFile("setup", "project.qfd"),
             rig.finishedRecord(url, size, PackSize).replace("Type:0", "Type:1"));
    QStringList users = server.commands().filter("User ");
    users.removeDuplicates();
    QCOMPARE(users, QStringList{"User " + (login ? options.user : "anonymous")});
    for (const QString &rest : rests)
        QVERIFY2(server.commands().contains(rest), qPrintable(rest));
    QStringList fourth;
    for (const QVariantList &caption : captions) {
        if (caption.at(0) == 4)
            fourth << caption.at(1).toString();
    }
    QCOMPARE(fourth, QStringList({"Initialising", "Unused with FTP servers."}));
    QVERIFY(rig.messages.isEmpty());
    if (!via.isEmpty()) // every data connection through EPSV
        QCOMPARE(server.commands().filter(QRegularExpression("^(PORT|EPRT|PASV)")), QStringList());
}

QTEST_GUILESS_MAIN(tst_FtpDownload)
#include "tst_FtpDownload.moc"
