#include "ChildProcess.h"
#include "TestHome.h"

#include "handoff/HandoffListener.h"
#include "handoff/HandoffMessage.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

namespace {

const QString Url = QStringLiteral("http://127.0.0.1/a b \"c\" 'd' $(e).zip");

} // namespace

// The hand-off to a running Quillfetch: its port with real TCP clients, the message rule as a
// table, and Catchlink as a terminal and the browsers start it.
class tst_Catchlink final : public QObject
{
    Q_OBJECT

private slots:
    void urlOfMessage_data();
    void urlOfMessage();
    void onlyAHandOffReachesTheProbe();
    void urlArrivesUnchanged_data();
    void urlArrivesUnchanged();
};

void tst_Catchlink::urlOfMessage_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("url"); // empty: no hand-off
    const QByteArray longest = "--ZRK--" + QByteArray(HandoffMessage::MaxBytes - 7, 'a');
    QTest::newRow("spaces and quotes kept")
        << QByteArray("--ZRK-- http://h/a b\"c'.zip ") << " http://h/a b\"c'.zip ";
    QTest::newRow("64 KiB") << longest << QString(longest.mid(7));
    QTest::newRow("over 64 KiB") << longest + 'a' << QString();
    QTest::newRow("short") << QByteArray("--ZRK") << QString();
    QTest::newRow("blank") << QByteArray("--ZRK--  ") << QString();
    QTest::newRow("line break") << QByteArray("--ZRK--http://h/f\r\nHost: x") << QString();
    QTest::newRow("not UTF-8") << QByteArray("--ZRK--http://h/\xff.zip") << QString();
}

void tst_Catchlink::urlOfMessage()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, url);
    QCOMPARE(HandoffMessage::urlOf(message).value_or(QString()), url);
}

// Three clients at once: the silent one is dropped after the idle time, the unmarked one only
// brings the tab forward, and each is closed once read.
void tst_Catchlink::onlyAHandOffReachesTheProbe()
{
    HandoffListener listener(0, 100);
    QVERIFY(listener.open());
    QCOMPARE(listener.serverAddress(), QHostAddress(QHostAddress::LocalHost));
    QSignalSpy arrived(&listener, &HandoffListener::messageArrived);
    QSignalSpy handedOver(&listener, &HandoffListener::urlHandedOver);
    QTcpSocket clients[3];
    for (QTcpSocket &client : clients)
        client.connectToHost(QHostAddress::LocalHost, listener.serverPort());
    clients[1].write("GET / HTTP/1.1\r\n\r\n");
    clients[2].write(HandoffMessage::compose("ftp://h/a b.zip"));

    for (QTcpSocket &client : clients)
        QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(arrived.count(), 2);
    QCOMPARE(handedOver.count(), 1);
    QCOMPARE(handedOver.first().first().toString(), QStringLiteral("ftp://h/a b.zip"));
}

void tst_Catchlink::urlArrivesUnchanged_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("received"); // empty: nothing handed over
    // A browser's message: a 32-bit length, then the JSON.
    const QByteArray json = R"({"url":"http://127.0.0.1/a b \"c\" 'd' $(e).zip"})";
    const quint32 length = quint32(json.size());
    const QByteArray message = QByteArray(reinterpret_cast<const char *>(&length), 4) + json;
    const QString jsonUrl = "https://127.0.0.1/data.json";
    const QString manifest = qEnvironmentVariable("QF_SOURCE_DIR") + "/browser/hosts/firefox.json";
    QTest::newRow("empty") << QStringList() << QByteArray() << QString();
    QTest::newRow("terminal") << QStringList{Url} << QByteArray() << Url;
    QTest::newRow("terminal, JSON") << QStringList{jsonUrl} << QByteArray() << jsonUrl;
    QTest::newRow("Chromium") << QStringList{"chrome-extension://ohnfpbheefahocbbgogakplikmphllcf/"}
                              << message << Url;
    QTest::newRow("Firefox") << QStringList{manifest, "catchlink@quillfetch.org"} << message << Url;
}

// Quillfetch runs (here its listener alone): the URL arrives exactly as given, never through a
// shell, and Catchlink ends once the connection is closed. Without a URL it ends at once and
// starts nothing.
void tst_Catchlink::urlArrivesUnchanged()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, received);
    TestHome home;
    HandoffListener quillfetch(0, HandoffListener::IdleTimeoutMs);
    QVERIFY(quillfetch.open());
    QSignalSpy handedOver(&quillfetch, &HandoffListener::urlHandedOver);
    QProcess catchlink;
    QProcessEnvironment environment = home.environment();
    environment.insert(QStringLiteral("QUILLFETCH_HANDOFF_PORT"),
                       QString::number(quillfetch.serverPort()));
    catchlink.setProcessEnvironment(environment);
    ChildProcess::dieWithParent(catchlink);
    QSignalSpy finished(&catchlink, &QProcess::finished);
    catchlink.start(qEnvironmentVariable("QF_BINARY_DIR") + "/src/app/Catchlink", arguments);
    catchlink.write(input);
    catchlink.closeWriteChannel();
    QVERIFY(finished.wait(30000));
    QCOMPARE(catchlink.exitStatus(), QProcess::NormalExit);
    QCOMPARE(catchlink.exitCode(), 0);
    QCOMPARE(handedOver,
             received.isEmpty() ? QList<QVariantList>() : QList<QVariantList>{{received}});
    QVERIFY(!QFileInfo::exists(home.dataFolder() + QStringLiteral("quillfetch.lock")));
}

QTEST_MAIN(tst_Catchlink)
#include "tst_Catchlink.moc"
