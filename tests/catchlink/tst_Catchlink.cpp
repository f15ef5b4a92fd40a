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

const QString ProgramFolder = qEnvironmentVariable("QF_BINARY_DIR") + QStringLiteral("/src/app");
const QString Url = QStringLiteral("http://127.0.0.1/a b \"c\" 'd' $(e).zip");

// The real Catchlink on a throw-away home, handing over on this port; true once it has ended
// by itself with exit code 0.
bool runCatchlink(const TestHome &home, quint16 port, const QStringList &arguments,
                  const QByteArray &input = {})
{
    QProcess catchlink;
    QProcessEnvironment environment = home.environment();
    environment.insert(QStringLiteral("QUILLFETCH_HANDOFF_PORT"), QString::number(port));
    catchlink.setProcessEnvironment(environment);
    ChildProcess::dieWithParent(catchlink);
    catchlink.start(ProgramFolder + QStringLiteral("/Catchlink"), arguments);
    catchlink.write(input);
    catchlink.closeWriteChannel();
    QSignalSpy finished(&catchlink, &QProcess::finished);
    const bool ended = finished.wait(30000) && catchlink.exitStatus() == QProcess::NormalExit &&
                       catchlink.exitCode() == 0;
    ChildProcess::stop(catchlink);
    return ended;
}

// A port nobody listens on once this returns.
quint16 freePort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0;
}

} // namespace

// Catchlink as a terminal and the browsers start it.
class tst_Catchlink final : public QObject
{
    Q_OBJECT

private slots:
    void urlArrivesUnchanged_data();
    void urlArrivesUnchanged();
    void startsQuillfetchWhenItIsNotRunning();
};

void tst_Catchlink::urlArrivesUnchanged_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("received");
    // A browser's message: a 32-bit length, then the JSON.
    const QByteArray json = R"({"url":"http://127.0.0.1/a b \"c\" 'd' $(e).zip"})";
    const quint32 length = quint32(json.size());
    const QByteArray message = QByteArray(reinterpret_cast<const char *>(&length), 4) + json;
    QTest::newRow("empty") << QStringList() << QByteArray() << QStringList();
    QTest::newRow("terminal") << QStringList{Url} << QByteArray() << QStringList{Url};
    QTest::newRow("Chromium") << QStringList{"chrome-extension://ohnfpbheefahocbbgogakplikmphllcf/"}
                              << message << QStringList{Url};
}

// Quillfetch runs (here its listener alone): the URL arrives exactly as given, never through a
// shell, and Catchlink ends once the connection is closed. Without a URL it ends at once and
// starts nothing.
void tst_Catchlink::urlArrivesUnchanged()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, received);
    TestHome home;
    HandoffListener quillfetch(0, HandoffListener::IdleTimeoutMs);
    QVERIFY(quillfetch.open());
    QSignalSpy handedOver(&quillfetch, &HandoffListener::urlHandedOver);
    QVERIFY(runCatchlink(home, quillfetch.serverPort(), arguments, input));
    QCOMPARE(handedOver.count(), received.size());
    if (!received.isEmpty())
        QCOMPARE(handedOver.first().first().toString(), Url);
    QVERIFY(!QFileInfo::exists(home.dataFolder() + QStringLiteral("quillfetch.lock")));
}

// Its first start takes Quillfetch a while; the URL still arrives, and Quillfetch probes it.
void tst_Catchlink::startsQuillfetchWhenItIsNotRunning()
{
    TestHome home;
    // Options present (their values do not matter here), so that no first-start box holds the
    // start-up. Catchlink finds Quillfetch in its own folder.
    QSettings settings(home.configFolder() + QStringLiteral("Quillfetch/Quillfetch.conf"),
                       QSettings::IniFormat);
    for (const char *key : {"FilePath", "packsize", "modemspeed"})
        settings.setValue(QStringLiteral("options/") + key, QStringLiteral("512000"));
    settings.sync();
    SilentServer server;

    QVERIFY(runCatchlink(home, freePort(), {"http://" + server.url("file.bin")}));
    QTRY_VERIFY_WITH_TIMEOUT(server.received().startsWith("GET /file.bin HTTP/1.1\r\n"), 20000);
    QLockFile lock(home.dataFolder() + QStringLiteral("quillfetch.lock"));
    qint64 pid = 0;
    QVERIFY(lock.getLockInfo(&pid, nullptr, nullptr));
    QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
}

QTEST_MAIN(tst_Catchlink)
#include "tst_Catchlink.moc"
