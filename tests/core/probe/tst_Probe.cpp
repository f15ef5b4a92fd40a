#include "FaultServer.h"
#include "FtpServer.h"
#include "NginxServer.h"
#include "SilentServer.h"
#include "TestFiles.h"
#include "TestHome.h"

#include "options/Settings.h"
#include "probe/Probe.h"
#include "store/ProjectStore.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int OutcomeWaitMs = 15000;

const QString HttpUnusable =
    QStringLiteral("Unable to use the high speed download method on this server !");
const QString FtpUnusable = QStringLiteral(
    "Unable to use the high speed download method on this server or file not found !");
const QString NotAFile = QStringLiteral("File not found or the URL don't point on a file !");

// A probe with its settings and store in a throw-away home, and spies on what it says.
class Harness final
{
public:
    explicit Harness(Probe::Intervals intervals = {10000, 3000})
        : m_qsettings(m_home.settingsPath(), QSettings::IniFormat),
          settings(m_qsettings, m_home.dataFolder() + QStringLiteral("received/")),
          store(m_home.dataFolder()), probe(store, settings, intervals),
          succeeded(&probe, &Probe::succeeded), failed(&probe, &Probe::failed),
          statuses(&probe, &Probe::statusChanged), inputs(&probe, &Probe::inputEnabledChanged),
          urlTexts(&probe, &Probe::urlTextChanged)
    {}

    // Starts a probe of url and waits until `outcomes` probes have ended.
    bool run(const QString &url, int outcomes = 1)
    {
        probe.start(url);
        return waitForOutcomes(outcomes);
    }

    bool waitForOutcomes(int outcomes)
    {
        return QTest::qWaitFor([&] { return succeeded.count() + failed.count() >= outcomes; },
                               OutcomeWaitMs);
    }

    ProbeResult result(int index = 0) const
    {
        return succeeded.at(index).at(0).value<ProbeResult>();
    }

    QString failure() const
    {
        if (failed.isEmpty())
            return QStringLiteral("<no failure>");
        if (failed.last().at(1).toString() != QLatin1String("Error"))
            return QStringLiteral("<wrong title>");
        return failed.last().at(0).toString();
    }

    QString home() const { return m_home.dataFolder(); }

private:
    TestHome m_home;
    QSettings m_qsettings;

public:
    Settings settings;
    ProjectStore store;
    Probe probe;
    QSignalSpy succeeded;
    QSignalSpy failed;
    QSignalSpy statuses;
    QSignalSpy inputs;
    QSignalSpy urlTexts;
};

QStringList statusTexts(const QSignalSpy &spy)
{
    QStringList texts;
    for (const QList<QVariant> &args : spy)
        texts.append(args.at(0).toString());
    return texts;
}

QList<int> statusCodes(const NginxServer &server)
{
    QList<int> codes;
    for (const NginxServer::Request &request : server.requests())
        codes.append(request.status);
    return codes;
}

quint16 unusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

} // namespace

// The probe against real servers (nginx, pyftpdlib) and servers that misbehave on purpose.
class tst_Probe final : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void httpFile();
    void takenNameGetsSuffix();
    void httpNotAFile_data();
    void httpNotAFile();
    void redirectChain();
    void relativeRedirectFromAnswerUrl();
    void redirectLoopStops();
    void withoutRangeSupport_data();
    void withoutRangeSupport();
    void rawAnswers_data();
    void rawAnswers();
    void headerInTwoChunks();
    void silentHttpServerTimesOut();
    void headerStopsHalfway();
    void connectionFailures_data();
    void connectionFailures();

    void ftpFile();
    void ftpMissingFile();
    void ftpSizeNeverAnswered();
    void ftpBurstAndQuitOnSilentServer();
    void ftpBannerWithErrorDigits();
    void ftpErrorLeavesNoTimerBehind();

    void urlHandedInMeanwhileWaits();

private:
    QTemporaryDir m_root;
};

void tst_Probe::init()
{
    QVERIFY(m_root.isValid());
}

void tst_Probe::httpFile()
{
    QVERIFY(
        TestFiles::writeFile(m_root.filePath("dir/setup.exe"), TestFiles::randomBytes(700000, 1)));
    NginxServer nginx(m_root.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;

    QVERIFY(h.run("http://" + nginx.url("dir/setup.exe")));

    QCOMPARE(h.failed.count(), 0);
    const ProbeResult result = h.result();
    QCOMPARE(result.url, nginx.url("dir/setup.exe"));
    QCOMPARE(result.size, qint64(700000));
    QCOMPARE(result.projectName, QStringLiteral("setup"));
    QVERIFY(!result.isFtp);
    QVERIFY(result.rangeSupported);
    QCOMPARE(h.urlTexts.last().at(0).toString(), nginx.url("dir/setup.exe"));
    QCOMPARE(statusTexts(h.statuses), (QStringList{"Testing URL...", "Nothing to do"}));
    QCOMPARE(h.inputs.count(), 2);
    QCOMPARE(h.inputs.at(0).at(0).toBool(), false);
    QCOMPARE(h.inputs.at(1).at(0).toBool(), true);
    QTRY_COMPARE(nginx.requests().size(), 1);
    QCOMPARE(nginx.requests().first().requestLine, QStringLiteral("GET /dir/setup.exe HTTP/1.1"));
    QCOMPARE(nginx.requests().first().range, QStringLiteral("bytes=0-"));
}

void tst_Probe::takenNameGetsSuffix()
{
    QVERIFY(TestFiles::writeFile(m_root.filePath("setup.exe"), TestFiles::randomBytes(10, 2)));
    NginxServer nginx(m_root.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;
    QVERIFY(QDir().mkpath(h.store.paths().projectFolder("setup")));

    QVERIFY(h.run(nginx.url("setup.exe")));

    QCOMPARE(h.failed.count(), 0);
    const QString name = h.result().projectName;
    QVERIFY2(QRegularExpression("^setup_\\d+([.,]\\d+)?(_\\d+)?$").match(name).hasMatch(),
             qPrintable(name));
    QVERIFY(!QFileInfo::exists(h.store.paths().projectFolder(name)));
}

void tst_Probe::httpNotAFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("web page") << "index.html";
    QTest::newRow("404") << "missing.zip";
    QTest::newRow("500") << "broken.zip";
}

void tst_Probe::httpNotAFile()
{
    QFETCH(QString, path);
    QVERIFY(TestFiles::writeFile(m_root.filePath("index.html"), "<html></html>"));
    NginxServer nginx(m_root.path(), {0, 0, {"location = /broken.zip { return 500; }"}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;

    QVERIFY(h.run(nginx.url(path)));

    QCOMPARE(h.failure(), NotAFile);
    QCOMPARE(statusTexts(h.statuses).last(), QStringLiteral("Nothing to do"));
    QCOMPARE(h.inputs.last().at(0).toBool(), true);
}

void tst_Probe::redirectChain()
{
    QVERIFY(TestFiles::writeFile(m_root.filePath("files/Real.Name.bin"),
                                 TestFiles::randomBytes(1234, 3)));
    NginxServer nginx(
        m_root.path(),
        {0,
         0,
         {"location = /start { return 301 /step; }",
          "location = /step { absolute_redirect off; return 308 /files/Real.Name.bin; }"}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;

    QVERIFY(h.run("http://" + nginx.url("start")));

    QCOMPARE(h.failed.count(), 0);
    QCOMPARE(h.result().url, nginx.url("files/Real.Name.bin"));
    QCOMPARE(h.result().size, qint64(1234));
    QCOMPARE(h.result().projectName, QStringLiteral("Real"));
    QCOMPARE(h.urlTexts.last().at(0).toString(), nginx.url("files/Real.Name.bin"));
    QTRY_COMPARE(statusCodes(nginx), (QList<int>{301, 308, 206}));
}

void tst_Probe::relativeRedirectFromAnswerUrl()
{
    FaultServer server;
    server.setRawResponse("/a/b/start", "HTTP/1.1 302 Found\r\nLocation: ../c/file.bin?x=1\r\n"
                                        "Content-Length: 0\r\n\r\n");
    server.addFile("/a/c/file.bin?x=1", TestFiles::randomBytes(321, 4));
    Harness h;

    QVERIFY(h.run(server.url("a/b/start")));

    QCOMPARE(h.failed.count(), 0);
    QCOMPARE(h.result().url, server.url("a/c/file.bin?x=1"));
    QCOMPARE(h.result().size, qint64(321));
    QCOMPARE(server.requests().last().path, QByteArray("/a/c/file.bin?x=1"));
}

void tst_Probe::redirectLoopStops()
{
    NginxServer nginx(m_root.path(), {0, 0, {"location = /loop { return 302 /loop; }"}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;

    QVERIFY(h.run(nginx.url("loop")));

    QCOMPARE(h.failure(), HttpUnusable);
    QTRY_COMPARE(nginx.requests().size(), 1 + Probe::MaxRedirects);
}

void tst_Probe::withoutRangeSupport_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("packSize");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("fits the default pack") << qint64(512000) << QString() << true;
    QTest::newRow("larger than the default pack") << qint64(512001) << QString() << false;
    QTest::newRow("larger than a small pack") << qint64(3000) << "2000" << false;
    QTest::newRow("fits a large pack") << qint64(600000) << "1024000" << true;
}

void tst_Probe::withoutRangeSupport()
{
    QFETCH(qint64, size);
    QFETCH(QString, packSize);
    QFETCH(bool, accepted);
    QVERIFY(TestFiles::writeFile(m_root.filePath("whole.bin"), TestFiles::randomBytes(size, 5)));
    NginxServer nginx(m_root.path(), {0, 0, {"max_ranges 0;"}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;
    if (!packSize.isEmpty())
        h.settings.setPackSizeText(packSize);

    QVERIFY(h.run(nginx.url("whole.bin")));

    if (accepted) {
        QCOMPARE(h.failed.count(), 0);
        QCOMPARE(h.result().size, size);
        QVERIFY(!h.result().rangeSupported);
    } else {
        QCOMPARE(h.failure(), HttpUnusable);
    }
}

void tst_Probe::rawAnswers_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<qint64>("size"); // -1: refused
    QTest::addColumn<QString>("failure");

    QTest::newRow("2 GiB and more")
        << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Type: application/zip\r\n"
                      "Content-Length: 3000000000\r\n"
                      "Content-Range: bytes 0-2999999999/3000000000\r\n\r\n")
        << qint64(3000000000) << QString();
    QTest::newRow("empty file") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")
                                << qint64(0) << QString();
    QTest::newRow("no length")
        << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Type: application/zip\r\n\r\n")
        << qint64(-1) << HttpUnusable;
    QTest::newRow("negative length")
        << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Length: -1\r\n\r\n") << qint64(-1)
        << HttpUnusable;
    QTest::newRow("length beyond 64 bits")
        << QByteArray(
               "HTTP/1.1 206 Partial Content\r\nContent-Length: 18446744073709551616\r\n\r\n")
        << qint64(-1) << HttpUnusable;
    QTest::newRow("header never ends")
        << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\n") << qint64(-1)
        << HttpUnusable;
    QTest::newRow("closed without a word")
        << QByteArray() << qint64(-1) << QStringLiteral("Unable to connect to website !\r\n");
}

void tst_Probe::rawAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(qint64, size);
    QFETCH(QString, failure);
    FaultServer server;
    server.setRawResponse("/file.bin", answer);
    Harness h;

    QVERIFY(h.run(server.url("file.bin")));

    if (size >= 0) {
        QCOMPARE(h.failed.count(), 0);
        QCOMPARE(h.result().size, size);
    } else if (failure.endsWith(QLatin1String("\r\n"))) {
        QCOMPARE(h.failure(), failure + server.url("file.bin"));
    } else {
        QCOMPARE(h.failure(), failure);
    }
}

void tst_Probe::headerInTwoChunks()
{
    FaultServer server;
    server.addFile("/split.bin", TestFiles::randomBytes(4321, 6));
    server.setHeaderSplit(true);
    Harness h;

    QVERIFY(h.run(server.url("split.bin")));

    QCOMPARE(h.failed.count(), 0);
    QCOMPARE(h.result().size, qint64(4321));
    QCOMPARE(h.result().projectName, QStringLiteral("split"));
}

void tst_Probe::silentHttpServerTimesOut()
{
    SilentServer server;
    Harness h({300, 3000});
    const QString url = server.url("dir/f.bin");

    QVERIFY(h.run("http://" + url));

    QCOMPARE(h.failure(), "Unable to connect to website !\r\n" + url);
    const QByteArray host = "127.0.0.1:" + QByteArray::number(server.port());
    QCOMPARE(server.received(),
             "GET /dir/f.bin HTTP/1.1\r\n"
             "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
             "Accept-Language: fr\r\n"
             "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
             "Range: bytes=0-\r\n"
             "Host: " +
                 host +
                 "\r\n"
                 "Connection: Keep-Alive\r\n"
                 "\r\n");
}

void tst_Probe::headerStopsHalfway()
{
    SilentServer server("HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\n");
    Harness h({300, 3000});

    QVERIFY(h.run(server.url("f.bin")));

    QCOMPARE(h.failure(), HttpUnusable);
}

void tst_Probe::connectionFailures_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("refused") << QStringLiteral("127.0.0.1:%1/f.bin").arg(unusedPort());
    QTest::newRow("port out of range") << QStringLiteral("127.0.0.1:99999/f.bin");
    QTest::newRow("empty") << QString();
}

void tst_Probe::connectionFailures()
{
    QFETCH(QString, url);
    Harness h;

    QVERIFY(h.run(url));

    QCOMPARE(h.failure(), QStringLiteral("An error occured while connecting to website !\r\n"
                                         "Please check your Internet connection or retry later !"));
    QCOMPARE(h.inputs.last().at(0).toBool(), true);
}

void tst_Probe::ftpFile()
{
    QVERIFY(
        TestFiles::writeFile(m_root.filePath("pub/data.tar.gz"), TestFiles::randomBytes(12345, 7)));
    FtpServer ftp(m_root.path());
    QVERIFY2(ftp.start(), qPrintable(ftp.errorString()));
    Harness h;

    QVERIFY(h.run(ftp.url("pub/data.tar.gz")));

    QCOMPARE(h.failed.count(), 0);
    const ProbeResult result = h.result();
    QCOMPARE(result.url, ftp.url("pub/data.tar.gz").mid(6));
    QCOMPARE(result.size, qint64(12345));
    QCOMPARE(result.projectName, QStringLiteral("data"));
    QVERIFY(result.isFtp);
    QTRY_VERIFY(ftp.commands().size() >= 4);
    QCOMPARE(ftp.commands().mid(0, 4), (QStringList{"User anonymous", "Pass quillfetch@example.com",
                                                    "TYPE I", "SIZE /pub/data.tar.gz"}));
}

void tst_Probe::ftpMissingFile()
{
    FtpServer ftp(m_root.path());
    QVERIFY2(ftp.start(), qPrintable(ftp.errorString()));
    Harness h;

    QVERIFY(h.run(ftp.url("missing.bin")));

    QCOMPARE(h.failure(), FtpUnusable);
}

void tst_Probe::ftpSizeNeverAnswered()
{
    QVERIFY(TestFiles::writeFile(m_root.filePath("data.bin"), TestFiles::randomBytes(10, 8)));
    FtpServer ftp(m_root.path(), {false, false, 0, {"SIZE"}});
    QVERIFY2(ftp.start(), qPrintable(ftp.errorString()));
    Harness h({10000, 300});

    QVERIFY(h.run(ftp.url("data.bin")));

    QCOMPARE(h.failure(), NotAFile);
}

void tst_Probe::ftpBurstAndQuitOnSilentServer()
{
    SilentServer server;
    Harness h({10000, 300});

    QVERIFY(h.run("ftp://" + server.url("dir/f.bin")));

    QCOMPARE(h.failure(), NotAFile);
    QTRY_COMPARE(server.received(), QByteArray("User anonymous\r\n"
                                               "Pass quillfetch@example.com\r\n"
                                               "TYPE I\r\n"
                                               "SIZE /dir/f.bin\r\n"
                                               "REST 10\r\n"
                                               "QUIT\r\n"));
}

void tst_Probe::ftpBannerWithErrorDigits()
{
    SilentServer server("220 FTPd 1.3.500 ready (550 slots)\r\n"
                        "331 Send password\r\n230 In\r\n200 Binary\r\n213 4321\r\n");
    Harness h;

    QVERIFY(h.run("ftp://" + server.url("f.bin")));

    QCOMPARE(h.failed.count(), 0);
    QCOMPARE(h.result().size, qint64(4321));
    QVERIFY(h.result().isFtp);
}

void tst_Probe::ftpErrorLeavesNoTimerBehind()
{
    SilentServer server("220 Ready\r\n530 Not logged in\r\n");
    Harness h({10000, 300});

    QVERIFY(h.run("ftp://" + server.url("f.bin")));
    QCOMPARE(h.failure(), FtpUnusable);

    // Past the size time-out nothing more is said or sent.
    QVERIFY(!h.failed.wait(600));
    QCOMPARE(h.failed.count(), 1);
    QVERIFY(server.received().endsWith("REST 10\r\nQUIT\r\n"));
    QCOMPARE(server.received().count("QUIT"), 1);
}

void tst_Probe::urlHandedInMeanwhileWaits()
{
    QVERIFY(TestFiles::writeFile(m_root.filePath("first.bin"), TestFiles::randomBytes(100, 9)));
    QVERIFY(TestFiles::writeFile(m_root.filePath("second.bin"), TestFiles::randomBytes(200, 10)));
    NginxServer nginx(m_root.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;

    h.probe.start(nginx.url("missing.bin"));
    h.probe.start(nginx.url("first.bin"));
    h.probe.start(nginx.url("second.bin"));
    QVERIFY(h.waitForOutcomes(2));
    QCOMPARE(h.failure(), NotAFile);
    QCOMPARE(h.result(0).url, nginx.url("first.bin"));

    // The second file waits while the owner deals with the first.
    QVERIFY(!h.succeeded.wait(500));
    h.probe.resultHandled();
    QVERIFY(h.waitForOutcomes(3));
    QCOMPARE(h.result(1).url, nginx.url("second.bin"));
    QCOMPARE(h.result(1).size, qint64(200));
}

QTEST_GUILESS_MAIN(tst_Probe)
#include "tst_Probe.moc"
