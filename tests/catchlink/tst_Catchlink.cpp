#include "ChildProcess.h"
#include "SilentServer.h"
#include "TestHome.h"

#include "handoff/HandoffListener.h"

#include <QLockFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <csignal>

namespace {

QString programFolder()
{
    return qEnvironmentVariable("QF_BINARY_DIR") + QStringLiteral("/src/app");
}

// The real Catchlink on a throw-away home, handing over on this port.
void startCatchlink(QProcess &catchlink, const TestHome &home, quint16 port,
                    const QStringList &arguments)
{
    QProcessEnvironment environment = home.environment();
    environment.insert(QStringLiteral("QUILLFETCH_HANDOFF_PORT"), QString::number(port));
    catchlink.setProcessEnvironment(environment);
    ChildProcess::dieWithParent(catchlink);
    catchlink.start(programFolder() + QStringLiteral("/Catchlink"), arguments);
}

bool endsWith(QProcess &process, int exitCode)
{
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(30000))
        return false;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == exitCode;
}

// What the browser writes to its native-messaging host: a 32-bit length, then the JSON.
QByteArray nativeMessage(const QByteArray &json)
{
    const quint32 length = quint32(json.size());
    return QByteArray(reinterpret_cast<const char *>(&length), sizeof length) + json;
}

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

} // namespace

// Catchlink as the user and the browsers start it.
class tst_Catchlink final : public QObject
{
    Q_OBJECT

private slots:
    void emptyCommandLineEndsAtOnce();
    void urlArrivesUnchanged_data();
    void urlArrivesUnchanged();
    void startsQuillfetchWhenItIsNotRunning();
};

void tst_Catchlink::emptyCommandLineEndsAtOnce()
{
    TestHome home;
    QTcpServer quillfetch;
    QVERIFY(quillfetch.listen(QHostAddress::LocalHost));
    QProcess catchlink;
    startCatchlink(catchlink, home, quillfetch.serverPort(), {});
    QVERIFY(endsWith(catchlink, 0));
    QVERIFY(!quillfetch.hasPendingConnections());
    QVERIFY(!QFileInfo::exists(home.dataFolder() + QStringLiteral("quillfetch.lock")));
}

void tst_Catchlink::urlArrivesUnchanged_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    const QString url = QStringLiteral("http://127.0.0.1/a b \"c\" 'd' $(e).zip");
    QTest::newRow("command line") << QStringList{url} << QByteArray() << QByteArray();
    QTest::newRow("Chromium") << QStringList{"chrome-extension://ohnfpbheefahocbbgogakplikmphllcf/"}
                              << nativeMessage(
                                     R"({"url":"http://127.0.0.1/a b \"c\" 'd' $(e).zip"})")
                              << nativeMessage(R"({"delivered":true})");
    QTest::newRow("Firefox") << QStringList{"/home/u/.mozilla/native-messaging-hosts/q.json",
                                            "catchlink@quillfetch.org"}
                             << nativeMessage(
                                    R"({"url":"http://127.0.0.1/a b \"c\" 'd' $(e).zip"})")
                             << nativeMessage(R"({"delivered":true})");
}

// Quillfetch runs (here its listener alone): the URL arrives exactly as given, never through a
// shell, and Catchlink ends once the connection is closed.
void tst_Catchlink::urlArrivesUnchanged()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    TestHome home;
    HandoffListener quillfetch(0, HandoffListener::IdleTimeoutMs);
    QVERIFY(quillfetch.open());
    QSignalSpy handedOver(&quillfetch, &HandoffListener::urlHandedOver);
    QProcess catchlink;
    startCatchlink(catchlink, home, quillfetch.serverPort(), arguments);
    catchlink.write(input);
    catchlink.closeWriteChannel();

    QVERIFY(handedOver.wait());
    QCOMPARE(handedOver.first().first().toString(),
             QStringLiteral("http://127.0.0.1/a b \"c\" 'd' $(e).zip"));
    QVERIFY(endsWith(catchlink, 0));
    QCOMPARE(catchlink.readAllStandardOutput(), output);
}

// The first start of Quillfetch takes longer than a moment; the URL still arrives and is probed.
void tst_Catchlink::startsQuillfetchWhenItIsNotRunning()
{
    TestHome home;
    QSettings settings(home.configFolder() + QStringLiteral("Quillfetch/Quillfetch.conf"),
                       QSettings::IniFormat);
    settings.setValue(QStringLiteral("options/AppPath"), programFolder());
    settings.setValue(QStringLiteral("options/FilePath"), home.root());
    settings.setValue(QStringLiteral("options/packsize"), QStringLiteral("512000"));
    settings.setValue(QStringLiteral("options/modemspeed"), QStringLiteral("56"));
    settings.sync();
    SilentServer server;
    QSignalSpy probed(&server, &SilentServer::dataReceived);
    QProcess catchlink;
    startCatchlink(catchlink, home, freePort(), {"http://" + server.url("file.bin")});

    QVERIFY(probed.wait(20000));
    QVERIFY(server.received().startsWith("GET /file.bin HTTP/1.1\r\n"));
    QVERIFY(endsWith(catchlink, 0));

    QLockFile lock(home.dataFolder() + QStringLiteral("quillfetch.lock"));
    qint64 pid = 0;
    QVERIFY(lock.getLockInfo(&pid, nullptr, nullptr));
    QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
}

QTEST_MAIN(tst_Catchlink)
#include "tst_Catchlink.moc"
