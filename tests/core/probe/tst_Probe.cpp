#include "FaultServer.h"
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

const QString HttpUnusable =
    QStringLiteral("Unable to use the high speed download method on this server !");
const QString FtpUnusable = QStringLiteral(
    "Unable to use the high speed download method on this server or file not found !");
const QString NotAFile = QStringLiteral("File not found or the URL don't point on a file !");
const QString NoAnswer = QStringLiteral("Unable to connect to website !\r\n");

// A probe on a throw-away home, with spies on what it says.
class Harness final
{
public:
    explicit Harness(Probe::Intervals intervals = {10000, 3000})
        : m_qsettings(m_home.settingsPath(), QSettings::IniFormat),
          settings(m_qsettings, m_home.dataFolder() + QStringLiteral("received/")),
          store(m_home.dataFolder()), probe(store, settings, intervals)
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
                               15000);
    }
    ProbeResult result(int index = 0) const
    {
        return succeeded.value(index).value(0).value<ProbeResult>();
    }
    // The last failure's text, checked to carry the title "Error".
    QString failure() const
    {
        if (failed.isEmpty() || failed.last().at(1).toString() != QLatin1String("Error"))
            return QStringLiteral("<no failure titled Error>");
        return failed.last().at(0).toString();
    }

private:
    TestHome m_home;
    QSettings m_qsettings;

public:
    Settings settings;
    ProjectStore store;
    Probe probe;
    QSignalSpy succeeded{&probe, &Probe::succeeded};
    QSignalSpy failed{&probe, &Probe::failed};
    QSignalSpy statuses{&probe, &Probe::statusChanged};
    QSignalSpy inputs{&probe, &Probe::inputEnabledChanged};
    QSignalSpy urlTexts{&probe, &Probe::urlTextChanged};
};

QVariantList firstArguments(const QSignalSpy &spy)
{
    QVariantList values;
    for (const QList<QVariant> &arguments : spy)
        values.append(arguments.at(0));
    return values;
}

} // namespace

// The probe against nginx and against servers that misbehave on purpose.
class tst_Probe final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void httpOutcomes_data();
    void httpOutcomes();
    void takenNameGetsSuffix_data();
    void takenNameGetsSuffix();
    void faultyAnswers_data();
    void faultyAnswers();
    void silentHttpServerGetsTheRequestThenTimesOut();
    void connectionFailures_data();
    void connectionFailures();
    void silentFtpServerGetsTheBurstThenTimesOut();
    void ftpReplies_data();
    void ftpReplies();
    void ftpErrorLeavesNoTimerBehind();
    void urlHandedInMeanwhileWaits();

private:
    QTemporaryDir m_root;
};

void tst_Probe::initTestCase()
{
    QVERIFY(
        TestFiles::writeFile(m_root.filePath("dir/setup.exe"), TestFiles::randomBytes(700000, 1)));
    QVERIFY(TestFiles::writeFile(m_root.filePath("files/Real.Name.bin"),
                                 TestFiles::randomBytes(1234, 2)));
    QVERIFY(TestFiles::writeFile(m_root.filePath("whole/small.bin"),
                                 TestFiles::randomBytes(512000, 3)));
    QVERIFY(TestFiles::writeFile(m_root.filePath("whole/large.bin"),
                                 TestFiles::randomBytes(512001, 4)));
    QVERIFY(TestFiles::writeFile(m_root.filePath("index.html"), "<html></html>"));
}

void tst_Probe::httpOutcomes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("storedPath"); // empty: the probe fails
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("ranges");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QList<int>>("statuses"); // of the requests nginx answered
    // HTTPS rows are reached through an HTTP redirect; "%1" in a failure is nginx's port.
    QTest::addColumn<NginxOptions::Tls>("tls");
    using Tls = NginxOptions::Tls;

    QTest::newRow("file") << "dir/setup.exe"
                          << "dir/setup.exe" << qint64(700000) << true << QString()
                          << QList<int>{206} << Tls::Off;
    QTest::newRow("redirects, absolute then relative")
        << "start"
        << "files/Real.Name.bin" << qint64(1234) << true << QString() << QList<int>{301, 308, 206}
        << Tls::Off;
    QTest::newRow("no ranges, one pack")
        << "whole/small.bin"
        << "whole/small.bin" << qint64(512000) << false << QString() << QList<int>{200} << Tls::Off;
    QTest::newRow("no ranges, over one pack")
        << "whole/large.bin" << QString() << qint64(0) << false << HttpUnusable << QList<int>{200}
        << Tls::Off;
    QTest::newRow("web page") << "index.html" << QString() << qint64(0) << false << NotAFile
                              << QList<int>{206} << Tls::Off;
    QTest::newRow("404") << "missing.zip" << QString() << qint64(0) << false << NotAFile
                         << QList<int>{404} << Tls::Off;
    QTest::newRow("redirect loop stops after 10")
        << "loop" << QString() << qint64(0) << false << HttpUnusable << QList<int>(11, 302)
        << Tls::Off;
    QTest::newRow("https, test authority") << "dir/setup.exe"
                                           << "dir/setup.exe" << qint64(700000) << true << QString()
                                           << QList<int>{206} << Tls::TestAuthority;
    QTest::newRow("https, self-signed") << "dir/setup.exe" << QString() << qint64(0) << false
                                        << "The certificate of 127.0.0.1:%1 cannot be trusted !\r\n"
                                           "The certificate is self-signed, and untrusted"
                                        << QList<int>{} << Tls::SelfSigned;
}

void tst_Probe::httpOutcomes()
{
    QFETCH(QString, path);
    QFETCH(QString, storedPath);
    QFETCH(qint64, size);
    QFETCH(bool, ranges);
    QFETCH(QString, failure);
    QFETCH(QList<int>, statuses);
    QFETCH(NginxOptions::Tls, tls);
    NginxServer nginx(
        m_root.path(),
        {0,
         0,
         {"location = /start { return 301 /step; }",
          "location = /step { absolute_redirect off; return 308 /files/Real.Name.bin; }",
          "location = /loop { return 302 /loop; }", "location /whole/ { max_ranges 0; }"},
         tls});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;
    FaultServer http;
    http.setRawResponse("/go", "HTTP/1.1 301 Moved\r\nLocation: " + nginx.url(path).toUtf8() +
                                   "\r\nContent-Length: 0\r\n\r\n");
    if (tls == NginxOptions::Tls::TestAuthority)
        h.settings.setTestCaFile(nginx.caFile());

    QVERIFY(h.run("http://" + (tls == NginxOptions::Tls::Off ? nginx.url(path) : http.url("go"))));

    if (storedPath.isEmpty()) {
        QCOMPARE(h.failure(), failure.contains("%1") ? failure.arg(nginx.port()) : failure);
    } else {
        QCOMPARE(h.failed.count(), 0);
        QCOMPARE(h.result().url, nginx.url(storedPath));
        QCOMPARE(h.result().projectName, QFileInfo(storedPath).baseName());
        QCOMPARE(h.result().size, size);
        QCOMPARE(h.result().rangeSupported, ranges);
        QCOMPARE(h.urlTexts.last().at(0).toString(), nginx.url(storedPath));
    }
    QCOMPARE(firstArguments(h.statuses).first(), QStringLiteral("Testing URL..."));
    QCOMPARE(firstArguments(h.statuses).last(), QStringLiteral("Nothing to do"));
    QCOMPARE(firstArguments(h.inputs).first(), false);
    QCOMPARE(firstArguments(h.inputs).last(), true);
    QTRY_COMPARE(nginx.requests().size(), statuses.size());
    QList<int> answered;
    for (const NginxServer::Request &request : nginx.requests()) {
        answered.append(request.status);
        QCOMPARE(request.range, QStringLiteral("bytes=0-"));
    }
    QCOMPARE(answered, statuses);
}

void tst_Probe::takenNameGetsSuffix_data()
{
    QTest::addColumn<bool>("inDownloadFolder");
    QTest::newRow("project folder") << false;
    QTest::newRow("user's folder in the download folder") << true;
}

void tst_Probe::takenNameGetsSuffix()
{
    QFETCH(bool, inDownloadFolder);
    NginxServer nginx(m_root.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;
    QVERIFY(QDir().mkpath(inDownloadFolder ? h.settings.filePath() + "setup"
                                           : h.store.paths().projectFolder("setup")));

    QVERIFY(h.run(nginx.url("dir/setup.exe")));

    const QString name = h.result().projectName;
    QVERIFY2(QRegularExpression("^setup_\\d+([.,]\\d+)?(_\\d+)?$").match(name).hasMatch(),
             qPrintable(name));
}

void tst_Probe::faultyAnswers_data()
{
    QTest::addColumn<QByteArray>("answer"); // empty: a file sent with its header in two parts
    QTest::addColumn<qint64>("size");       // -1: the probe fails
    QTest::addColumn<QString>("failure");

    QTest::newRow("header in two chunks") << QByteArray() << qint64(4321) << QString();
    QTest::newRow("2 GiB and more")
        << QByteArray(
               "HTTP/1.1 206 Partial Content\r\nContent-Type: application/x-iso9660-image\r\n"
               "Content-Length: 3000000000\r\n"
               "Content-Range: bytes 0-2999999999/3000000000\r\n\r\n")
        << qint64(3000000000) << QString();
    QTest::newRow("closed without a word") << QByteArray("") << qint64(-1) << NoAnswer;
}

void tst_Probe::faultyAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(qint64, size);
    QFETCH(QString, failure);
    FaultServer server;
    if (answer.isNull()) {
        server.addFile("/file.bin", TestFiles::randomBytes(4321, 5));
        server.setHeaderSplit(true);
    } else {
        server.setRawResponse("/file.bin", answer);
    }
    Harness h;

    QVERIFY(h.run(server.url("file.bin")));

    if (size >= 0)
        QCOMPARE(h.result().size, size);
    else
        QCOMPARE(h.failure(), failure == NoAnswer ? NoAnswer + server.url("file.bin") : failure);
}

void tst_Probe::silentHttpServerGetsTheRequestThenTimesOut()
{
    SilentServer server;
    SilentServer halfHeader("HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\n");
    Harness h({300, 3000});
    const QString url = server.url("dir/f.bin");

    QVERIFY(h.run("http://" + url));
    QCOMPARE(h.failure(), NoAnswer + url);
    QCOMPARE(server.received(),
             "GET /dir/f.bin HTTP/1.1\r\n"
             "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
             "Accept-Language: fr\r\n"
             "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
             "Range: bytes=0-\r\n"
             "Host: 127.0.0.1:" +
                 QByteArray::number(server.port()) +
                 "\r\n"
                 "Connection: Keep-Alive\r\n"
                 "\r\n");

    // A server that stops in the middle of its header does not hold the probe either.
    QVERIFY(h.run(halfHeader.url("f.bin"), 2));
    QCOMPARE(h.failure(), NoAnswer + halfHeader.url("f.bin"));
}

void tst_Probe::connectionFailures_data()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 unused = closed.serverPort();
    closed.close();
    QTest::addColumn<QString>("url");
    QTest::newRow("refused") << QStringLiteral("127.0.0.1:%1/f.bin").arg(unused);
    QTest::newRow("empty") << QString();
}

void tst_Probe::connectionFailures()
{
    QFETCH(QString, url);
    Harness h;

    QVERIFY(h.run(url));

    QCOMPARE(h.failure(), QStringLiteral("An error occured while connecting to website !\r\n"
                                         "Please check your Internet connection or retry later !"));
    QCOMPARE(h.inputs.last().at(0), true);
}

void tst_Probe::silentFtpServerGetsTheBurstThenTimesOut()
{
    SilentServer server;
    Harness h({10000, 300});

    QVERIFY(h.run("ftp://" + server.url("dir/f.bin")));

    QCOMPARE(h.failure(), NotAFile);
    QTRY_COMPARE(server.received(), QByteArray("User anonymous\r\n"
                                               "Pass quillfetch@example.com\r\n"
                                               "TYPE I\r\n"
                                               "SIZE /dir/f.bin\r\n"
                                               "MDTM /dir/f.bin\r\n"
                                               "REST 10\r\n"
                                               "QUIT\r\n"));
}

// The size, the time and the REST answer are all awaited, in the order the burst asks them.
void tst_Probe::ftpReplies_data()
{
    QTest::addColumn<QByteArray>("replies"); // after "220 ...", "331 ...", "230 ...", "200 ..."
    QTest::addColumn<qint64>("size");        // -1: the probe fails
    QTest::addColumn<QByteArray>("time");
    QTest::addColumn<bool>("rangeSupported");

    QTest::newRow("time and REST") << QByteArray("213 4321\r\n213 20261207021900\r\n350 Ok\r\n")
                                   << qint64(4321) << QByteArray("20261207021900") << true;
    QTest::newRow("no MDTM") << QByteArray("213 4321\r\n502 No\r\n350 Ok\r\n") << qint64(4321)
                             << QByteArray() << true;
    QTest::newRow("REST refused, one pack")
        << QByteArray("213 4321\r\n550 No\r\n502 No\r\n") << qint64(4321) << QByteArray() << false;
    QTest::newRow("REST refused, many packs")
        << QByteArray("213 3000000\r\n550 No\r\n502 No\r\n") << qint64(-1) << QByteArray() << false;
}

void tst_Probe::ftpReplies()
{
    QFETCH(QByteArray, replies);
    QFETCH(qint64, size);
    QFETCH(QByteArray, time);
    QFETCH(bool, rangeSupported);
    SilentServer server("220 FTPd 1.3.500 ready (550 slots)\r\n"
                        "331 Send password\r\n230 In\r\n200 Binary\r\n" +
                        replies);
    Harness h;

    QVERIFY(h.run("ftp://" + server.url("f.bin")));

    if (size < 0) {
        QCOMPARE(h.failure(), FtpUnusable);
        return;
    }
    QCOMPARE(h.result().size, size);
    QCOMPARE(h.result().validators.modified, time);
    QCOMPARE(h.result().rangeSupported, rangeSupported);
}

void tst_Probe::ftpErrorLeavesNoTimerBehind()
{
    SilentServer server("220 Ready\r\n530 Not logged in\r\n");
    Harness h({10000, 300});

    QVERIFY(h.run("ftp://" + server.url("f.bin")));
    QCOMPARE(h.failure(), FtpUnusable);

    // Past the size time-out nothing more is said or sent.
    QVERIFY(!h.failed.wait(600));
    QVERIFY(server.received().endsWith("REST 10\r\nQUIT\r\n"));
    QCOMPARE(server.received().count("QUIT"), 1);
}

void tst_Probe::urlHandedInMeanwhileWaits()
{
    NginxServer nginx(m_root.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;

    h.probe.start(nginx.url("missing.bin"));
    h.probe.start(nginx.url("dir/setup.exe"));
    h.probe.start(nginx.url("files/Real.Name.bin"));
    QVERIFY(h.waitForOutcomes(2));
    QCOMPARE(h.failure(), NotAFile);
    QCOMPARE(h.result(0).url, nginx.url("dir/setup.exe"));

    // The third URL waits while the owner deals with the success.
    QVERIFY(!h.succeeded.wait(500));
    h.probe.resultHandled();
    QVERIFY(h.waitForOutcomes(3));
    QCOMPARE(h.result(1).url, nginx.url("files/Real.Name.bin"));
}

QTEST_GUILESS_MAIN(tst_Probe)
#include "tst_Probe.moc"
