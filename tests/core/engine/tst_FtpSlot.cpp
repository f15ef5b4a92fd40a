#include "engine/FtpDataLink.h"
#include "engine/FtpSlot.h"

#include "FtpServer.h"
#include "TestFiles.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// One FTP slot against a real FTP server that ignores the restart offset or never sends: nothing
// reaches the piece, and the slot asks again; its data listener takes only the server's connection.
class tst_FtpSlot final : public QObject
{
    Q_OBJECT

private slots:
    void refusedRequestsWriteNothingAndRetry_data();
    void refusedRequestsWriteNothingAndRetry();
    void dataLinkTakesOnlyTheServersConnection();
};

void tst_FtpSlot::refusedRequestsWriteNothingAndRetry_data()
{
    QTest::addColumn<QString>("silentCommand");
    // The file then comes from its first byte: none of it may reach the piece.
    QTest::newRow("restart offset ignored") << "REST";
    // The server connects for the data and never sends any.
    QTest::newRow("silent data connection") << "RETR";
}

void tst_FtpSlot::refusedRequestsWriteNothingAndRetry()
{
    QFETCH(QString, silentCommand);
    QTemporaryDir folder;
    QVERIFY(TestFiles::writeFile(folder.filePath("www/file.bin"), TestFiles::randomBytes(3000, 7)));
    FtpServer server(folder.filePath("www"), {.silentCommands = {silentCommand}});
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    FtpSlot slot(3, {"127.0.0.1", server.port(), "/file.bin", 3000, {}, {}},
                 {{20, 100, 5000}, 1000, 10}, std::make_shared<FtpDataMode>(FtpDataMode::Active));
    const QString piece = folder.filePath("piece.qfd");

    slot.fetch({1, 1000, 1000}, piece, 0);

    QTRY_VERIFY_WITH_TIMEOUT(server.commands().filter("RETR ").size() >= 3, 20000);
    slot.halt();
    QCOMPARE(QFileInfo(piece).size(), 0);
    QVERIFY(slot.holdsPack());
}

void tst_FtpSlot::dataLinkTakesOnlyTheServersConnection()
{
    const QHostAddress server(QHostAddress::LocalHost);
    FtpDataLink link;
    QSignalSpy connected(&link, &FtpDataLink::connected);
    const std::optional<quint16> port = link.listen(server, server);
    QVERIFY(port);

    QTcpSocket foreign; // a peer other than the server is turned away
    QVERIFY(foreign.bind(QHostAddress("127.0.0.2")));
    foreign.connectToHost(server, *port);
    QTRY_COMPARE(foreign.error(), QAbstractSocket::RemoteHostClosedError);
    QVERIFY(connected.isEmpty());

    QTcpSocket fromServer;
    QVERIFY(fromServer.bind(server));
    fromServer.connectToHost(server, *port);
    QVERIFY(connected.wait());
}

QTEST_GUILESS_MAIN(tst_FtpSlot)
#include "tst_FtpSlot.moc"
