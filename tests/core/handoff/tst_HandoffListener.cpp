#include "handoff/HandoffListener.h"
#include "handoff/HandoffMessage.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

// The hand-off port with real TCP clients; the message rule as a table.
class tst_HandoffListener final : public QObject
{
    Q_OBJECT

private slots:
    void urlOfMessage_data();
    void urlOfMessage();
    void onlyAHandOffReachesTheProbe();
};

void tst_HandoffListener::urlOfMessage_data()
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

void tst_HandoffListener::urlOfMessage()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, url);
    QCOMPARE(HandoffMessage::urlOf(message).value_or(QString()), url);
}

// Three clients at once: the silent one is dropped after the idle time, the unmarked one only
// brings the tab forward, and each is closed once read.
void tst_HandoffListener::onlyAHandOffReachesTheProbe()
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

QTEST_MAIN(tst_HandoffListener)
#include "tst_HandoffListener.moc"
