#include "ChildProcess.h"
#include "TestHome.h"

#include "handoff/HandoffListener.h"
#include "platform/HandoffSocket.h"
#include "wire/HandoffMessage.h"

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString Url = QStringLiteral("http://127.0.0.1/a b \"c\" 'd' $(e).zip");

// Sends bytes and closes the sending side, as Catchlink does.
void send(QLocalSocket &client, const QByteArray &bytes)
{
    client.write(bytes);
    client.flush();
    QVERIFY(HandoffSocket::endWriting(client.socketDescriptor()));
}

// Connects to ("connect") or binds ("listen") the socket path as the user nobody, and returns
// what it says: "done" or "refused".
QByteArray asNobody(const QString &action, const QString &path)
{
    const QString script = "import socket, sys\n"
                           "s = socket.socket(socket.AF_UNIX)\n"
                           "try: (s.bind if sys.argv[1] == 'listen' else s.connect)(sys.argv[2])\n"
                           "except PermissionError: print('refused')\n"
                           "else: print('done')\n";
    QProcess other;
    other.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/python3",
                            "-c", script, action, path});
    other.waitForFinished();
    return other.readAllStandardOutput().trimmed();
}

// What a hand-off carries, as "url|cookie|referer|user agent" ("url|||" without headers).
QString shown(const HandedOver &handOff)
{
    const BrowserHeaders &browser = handOff.browser;
    return QStringList{handOff.url, browser.cookie, browser.referer, browser.userAgent}.join('|');
}

QStringList shown(const QSignalSpy &handedOver)
{
    QStringList texts;
    for (const QVariantList &arguments : handedOver)
        texts << shown(arguments.at(0).value<HandedOver>());
    return texts;
}

} // namespace

// The hand-off to a running Quillfetch: its socket with real clients, the message rule as a
// table, and Catchlink as a terminal and the browsers start it.
class tst_Catchlink final : public QObject
{
    Q_OBJECT

private slots:
    void urlOfMessage_data();
    void urlOfMessage();
    void onlyAHandOffReachesTheProbe();
    void listensAgainAfterAFlood();
    void otherUsersAreShutOut();
    void urlArrivesUnchanged_data();
    void urlArrivesUnchanged();
};

void tst_Catchlink::urlOfMessage_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("url"); // empty: no hand-off; else as shown()
    const QByteArray longest = "--ZRK--" + QByteArray(HandoffMessage::MaxBytes - 7, 'a');
    const QByteArray headers = "\nUser-Agent: UA/1 (X)\nCookie: a=1; b=\"2\"\nReferer: http://h/";
    QTest::newRow("spaces and quotes kept")
        << QByteArray("--ZRK-- http://h/a b\"c'.zip ") << " http://h/a b\"c'.zip |||";
    QTest::newRow("64 KiB") << longest << QString(longest.mid(7)) + "|||";
    QTest::newRow("the browser's headers")
        << "--ZRK--http://h/f" + headers << "http://h/f|a=1; b=\"2\"|http://h/|UA/1 (X)";
    QTest::newRow("a header twice") << "--ZRK--http://h/f" + headers + "\nCookie: c=3" << QString();
    QTest::newRow("another header") << QByteArray("--ZRK--http://h/f\nHost: x") << QString();
    QTest::newRow("an empty header") << QByteArray("--ZRK--http://h/f\nCookie: ") << QString();
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
    const std::optional<HandedOver> handedOver = HandoffMessage::read(message);
    QCOMPARE(handedOver ? shown(*handedOver) : QString(), url);
}

// Clients at once: the silent one is dropped after the idle time, the unmarked one only brings
// the tab forward, a message that comes in two pieces arrives whole once its sender is done,
// and each is closed once read.
void tst_Catchlink::onlyAHandOffReachesTheProbe()
{
    QTemporaryDir folder;
    HandoffListener listener(folder.filePath("handoff"), 1000);
    QVERIFY(listener.open());
    QSignalSpy arrived(&listener, &HandoffListener::messageArrived);
    QSignalSpy handedOver(&listener, &HandoffListener::urlHandedOver);
    QLocalSocket clients[4];
    for (QLocalSocket &client : clients)
        client.connectToServer(folder.filePath("handoff"));
    const QByteArray split = HandoffMessage::compose({"ftp://h/a b.zip"});
    clients[1].write(split.left(12));
    clients[1].flush();
    send(clients[2], "GET / HTTP/1.1\r\n\r\n");
    send(clients[3], HandoffMessage::compose({"http://h/whole"}));
    QVERIFY(handedOver.wait());
    send(clients[1], split.mid(12));

    for (QLocalSocket &client : clients)
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(arrived.count(), 3);
    QCOMPARE(shown(handedOver), (QStringList{"http://h/whole|||", "ftp://h/a b.zip|||"}));
}

// More connections than descriptors left: the server stops accepting, and listens again once
// the silent connections it took are dropped.
void tst_Catchlink::listensAgainAfterAFlood()
{
    QTemporaryDir folder;
    HandoffListener listener(folder.filePath("handoff"), 100);
    QVERIFY(listener.open());
    QSignalSpy handedOver(&listener, &HandoffListener::urlHandedOver);
    QLocalSocket flood[30];
    for (QLocalSocket &client : flood)
        client.connectToServer(folder.filePath("handoff"));
    rlimit saved = {};
    QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
    const rlimit low = {QDir("/proc/self/fd").count() + 3, saved.rlim_max};
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &low) == 0);
    for (QLocalSocket &client : flood)
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &saved) == 0);

    QLocalSocket client;
    client.connectToServer(folder.filePath("handoff"));
    send(client, HandoffMessage::compose({Url}));
    QVERIFY(handedOver.wait());
}

// Another local user can neither hand a URL over nor listen where Catchlink hands ours over:
// only the owner may enter the socket's folder, and a folder open to others is refused.
void tst_Catchlink::otherUsersAreShutOut()
{
    QTemporaryDir folder;
    const QString socket = folder.filePath("handoff");
    QVERIFY(QFile::setPermissions(folder.path(), QFile::Permissions(0x7755)));
    QVERIFY(!HandoffListener(socket, 100).open());
    QVERIFY(QFile::setPermissions(folder.path(), QFile::Permissions(0x7700)));
    if (::geteuid() != 0)
        QSKIP("Acting as another user needs root.");
    QCOMPARE(asNobody("listen", socket), "refused");
    HandoffListener listener(socket, HandoffListener::IdleTimeoutMs);
    QVERIFY(listener.open());
    QSignalSpy handedOver(&listener, &HandoffListener::urlHandedOver);
    QCOMPARE(asNobody("connect", socket), "refused");
    QLocalSocket ours;
    ours.connectToServer(socket);
    send(ours, HandoffMessage::compose({"http://h/ours"}));
    QVERIFY(handedOver.wait());
    QCOMPARE(shown(handedOver), QStringList{"http://h/ours|||"});
}

void tst_Catchlink::urlArrivesUnchanged_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("received"); // empty: nothing handed over; else as shown()
    // A browser's message: a 32-bit length, then the JSON.
    const auto frame = [](const QByteArray &json) {
        const quint32 length = quint32(json.size());
        return QByteArray(reinterpret_cast<const char *>(&length), 4) + json;
    };
    const QByteArray message = frame(R"({"url":"http://127.0.0.1/a b \"c\" 'd' $(e).zip"})");
    const QString jsonUrl = "https://127.0.0.1/data.json";
    const QString manifest = qEnvironmentVariable("QF_SOURCE_DIR") + "/browser/hosts/firefox.json";
    const QString chromium = "chrome-extension://ohnfpbheefahocbbgogakplikmphllcf/";
    QTest::newRow("empty") << QStringList() << QByteArray() << QString();
    QTest::newRow("terminal") << QStringList{Url} << QByteArray() << Url + "|||";
    QTest::newRow("terminal, JSON") << QStringList{jsonUrl} << QByteArray() << jsonUrl + "|||";
    QTest::newRow("Chromium") << QStringList{chromium} << message << Url + "|||";
    QTest::newRow("Firefox, with the page's cookies")
        << QStringList{manifest, "catchlink@quillfetch.org"}
        << frame(R"({"url":"https://h/f","cookie":"s=1","referer":"https://h/","userAgent":"UA"})")
        << "https://h/f|s=1|https://h/|UA";
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
    const QString socket = home.root() + "handoff";
    HandoffListener quillfetch(socket, HandoffListener::IdleTimeoutMs);
    QVERIFY(quillfetch.open());
    QSignalSpy handedOver(&quillfetch, &HandoffListener::urlHandedOver);
    QProcess catchlink;
    QProcessEnvironment environment = home.environment();
    environment.insert(QStringLiteral("QUILLFETCH_HANDOFF_SOCKET"), socket);
    catchlink.setProcessEnvironment(environment);
    ChildProcess::dieWithParent(catchlink);
    QSignalSpy finished(&catchlink, &QProcess::finished);
    catchlink.start(qEnvironmentVariable("QF_BINARY_DIR") + "/src/app/Catchlink", arguments);
    catchlink.write(input);
    catchlink.closeWriteChannel();
    QVERIFY(finished.wait(30000));
    QCOMPARE(catchlink.exitStatus(), QProcess::NormalExit);
    QCOMPARE(catchlink.exitCode(), 0);
    QCOMPARE(shown(handedOver), received.isEmpty() ? QStringList() : QStringList{received});
    QVERIFY(!QFileInfo::exists(home.dataFolder() + QStringLiteral("quillfetch.lock")));
}

QTEST_MAIN(tst_Catchlink)
#include "tst_Catchlink.moc"
