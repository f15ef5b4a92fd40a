#include "handoff/HandoffListener.h"
#include "handoff/HandoffMessage.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {

// A client that connects to the listener and sends bytes once connected (none when empty).
std::unique_ptr<QTcpSocket> client(const HandoffListener &listener, const QByteArray &bytes = {})
{
    auto socket = std::make_unique<QTcpSocket>();
    QTcpSocket *raw = socket.get();
    if (!bytes.isEmpty())
        QObject::connect(raw, &QTcpSocket::connected, raw, [raw, bytes] { raw->write(bytes); });
    socket->connectToHost(QHostAddress::LocalHost, listener.serverPort());
    return socket;
}

} // namespace

// The hand-off port with real TCP clients.
class tst_HandoffListener final : public QObject
{
    Q_OBJECT

private slots:
    void urlOfMessage_data();
    void urlOfMessage();
    void eachMessageSelectsTheTabAndAUrlIsHandedOver_data();
    void eachMessageSelectsTheTabAndAUrlIsHandedOver();
    void silentClientIsDroppedAndListeningGoesOn();
};

void tst_HandoffListener::urlOfMessage_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("url"); // empty: no hand-off
    const QByteArray longest = "--ZRK--" + QByteArray(HandoffMessage::MaxBytes - 7, 'a');
    QTest::newRow("marked") << QByteArray("--ZRK--http://h/f.zip") << "http://h/f.zip";
    QTest::newRow("spaces and quotes kept")
        << QByteArray("--ZRK-- http://h/a b\"c'.zip ") << " http://h/a b\"c'.zip ";
    QTest::newRow("UTF-8") << QByteArray("--ZRK--http://h/\xc3\xa9t\xc3\xa9.zip")
                           << QStringLiteral("http://h/été.zip");
    QTest::newRow("64 KiB") << longest << QString(longest.mid(7));
    QTest::newRow("over 64 KiB") << longest + 'a' << QString();
    QTest::newRow("unmarked") << QByteArray("http://h/f.zip") << QString();
    QTest::newRow("short") << QByteArray("--ZRK") << QString();
    QTest::newRow("marker alone") << QByteArray("--ZRK--") << QString();
    QTest::newRow("blank") << QByteArray("--ZRK--  ") << QString();
    QTest::newRow("line break") << QByteArray("--ZRK--http://h/f\r\nHost: x") << QString();
    QTest::newRow("not UTF-8") << QByteArray("--ZRK--http://h/\xff.zip") << QString();
}

void tst_HandoffListener::urlOfMessage()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, url);
    QCOMPARE(HandoffMessage::urlOf(message).value_or(QString()), url);
    if (!url.isEmpty())
        QCOMPARE(HandoffMessage::compose(url), message);
}

void tst_HandoffListener::eachMessageSelectsTheTabAndAUrlIsHandedOver_data()
{
    QTest::addColumn<QByteArrayList>("messages");
    QTest::addColumn<QStringList>("urls");
    QTest::newRow("marked") << QByteArrayList{"--ZRK--http://h/a b.zip"}
                            << QStringList{"http://h/a b.zip"};
    QTest::newRow("unmarked or short")
        << QByteArrayList{"GET / HTTP/1.1\r\n\r\n", "--Z"} << QStringList{};
    QTest::newRow("two at once") << QByteArrayList{"--ZRK--ftp://h/1", "--ZRK--ftp://h/2"}
                                 << QStringList{"ftp://h/1", "ftp://h/2"};
}

void tst_HandoffListener::eachMessageSelectsTheTabAndAUrlIsHandedOver()
{
    QFETCH(QByteArrayList, messages);
    QFETCH(QStringList, urls);
    HandoffListener listener(0, HandoffListener::IdleTimeoutMs);
    QVERIFY(listener.open());
    QCOMPARE(listener.serverAddress(), QHostAddress(QHostAddress::LocalHost));
    QSignalSpy arrived(&listener, &HandoffListener::messageArrived);
    QSignalSpy handedOver(&listener, &HandoffListener::urlHandedOver);

    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (const QByteArray &message : messages)
        clients.push_back(client(listener, message));

    QTRY_COMPARE(arrived.count(), messages.size());
    for (const auto &socket : clients) // the listener closes each connection once read
        QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
    QStringList received;
    for (const QList<QVariant> &signal : handedOver)
        received.append(signal.first().toString());
    received.sort();
    QCOMPARE(received, urls);
}

void tst_HandoffListener::silentClientIsDroppedAndListeningGoesOn()
{
    HandoffListener listener(0, 100);
    QVERIFY(listener.open());
    QSignalSpy handedOver(&listener, &HandoffListener::urlHandedOver);

    const auto silent = client(listener);
    QSignalSpy dropped(silent.get(), &QTcpSocket::disconnected);
    QVERIFY(dropped.wait());
    const auto next = client(listener, "--ZRK--http://h/next.zip");

    QVERIFY(handedOver.wait());
    QCOMPARE(handedOver.first().first().toString(), QStringLiteral("http://h/next.zip"));
}

QTEST_MAIN(tst_HandoffListener)
#include "tst_HandoffListener.moc"
