#include "engine/FtpDataLink.h"
#include "engine/FtpSlot.h"
#include "progress/DisplayText.h"

#include "FtpServer.h"
#include "TestFiles.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// One FTP slot against a real FTP server: the request it sends, the bytes it keeps, and what
// it does when the server refuses, ignores the restart offset or will not use active mode.
class tst_FtpSlot final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fetchesItsPackFromTheRestartOffset_data();
    void fetchesItsPackFromTheRestartOffset();
    void fallsBackToPassiveModeAndKeepsIt();
    void refusedRequestsWriteNothingAndRetry_data();
    void refusedRequestsWriteNothingAndRetry();
    void refusedControlConnectionHaltsTheSlot();
    void dataLinkTakesOnlyTheServersConnection();

private:
    static constexpr int TimeoutMs = 20000;
    static constexpr Pack SecondPack{1, 100000, 100000};

    QByteArray m_source;
    QTemporaryDir m_served;
    QTemporaryDir m_pieces;
};

namespace {

FtpSlot::Timing fastTiming()
{
    return {20, 100, 5000, 1000, 10};
}

std::shared_ptr<FtpDataMode> activeMode()
{
    return std::make_shared<FtpDataMode>(FtpDataMode::Active);
}

FtpSlot::Target target(const FtpServer &server, const QString &path = "/file.bin")
{
    return {"127.0.0.1", server.port(), path};
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

FtpOptions refusing(bool port, bool login, const QStringList &silent = {})
{
    FtpOptions options;
    options.refusePort = port;
    options.refuseLogin = login;
    options.silentCommands = silent;
    return options;
}

int countOf(const QStringList &commands, const QString &prefix)
{
    return int(std::count_if(commands.cbegin(), commands.cend(),
                             [&](const QString &command) { return command.startsWith(prefix); }));
}

} // namespace

void tst_FtpSlot::initTestCase()
{
    QVERIFY(m_served.isValid() && m_pieces.isValid());
    m_source = TestFiles::randomBytes(300000, 7);
    QVERIFY(TestFiles::writeFile(m_served.filePath("file.bin"), m_source));
}

void tst_FtpSlot::fetchesItsPackFromTheRestartOffset_data()
{
    QTest::addColumn<qint64>("have");
    QTest::newRow("fresh pack") << qint64(0);
    QTest::newRow("continued pack") << qint64(4321);
}

void tst_FtpSlot::fetchesItsPackFromTheRestartOffset()
{
    QFETCH(qint64, have);
    FtpServer server(m_served.path());
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const QString piece = m_pieces.filePath("fresh.qfd");
    QVERIFY(TestFiles::writeFile(piece, m_source.mid(SecondPack.start, have) + "stale bytes"));
    FtpSlot slot(2, target(server), fastTiming(), activeMode());
    QSignalSpy status(&slot, &FtpSlot::statusChanged);
    QSignalSpy complete(&slot, &FtpSlot::packComplete);

    slot.fetch(SecondPack, piece, have);

    QVERIFY(complete.wait(TimeoutMs));
    QCOMPARE(contents(piece), m_source.mid(SecondPack.start, SecondPack.length));
    QCOMPARE(status.at(0), QVariantList({2, "Sending request..."}));
    QCOMPARE(status.at(1), QVariantList({2, "Downloading (" + Format_Taille(100000) + ")..."}));
    QTRY_COMPARE_WITH_TIMEOUT(server.commands().mid(6), QStringList({"ABOR", "QUIT"}), TimeoutMs);
    const QStringList request = server.commands().mid(0, 6);
    QCOMPARE(request.mid(0, 3),
             QStringList({"User anonymous", "Pass quillfetch@example.com", "TYPE I"}));
    QVERIFY2(QRegularExpression("\\APORT 127,0,0,1,\\d+,\\d+\\z").match(request.at(3)).hasMatch(),
             qPrintable(request.at(3)));
    QCOMPARE(request.mid(4),
             QStringList({"REST " + QString::number(SecondPack.start + have), "RETR /file.bin"}));
}

void tst_FtpSlot::fallsBackToPassiveModeAndKeepsIt()
{
    FtpServer server(m_served.path(), refusing(true, false));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    const std::shared_ptr<FtpDataMode> mode = activeMode();
    FtpSlot slot(1, target(server), fastTiming(), mode);
    QSignalSpy complete(&slot, &FtpSlot::packComplete);
    const QString piece = m_pieces.filePath("passive.qfd");

    slot.fetch(SecondPack, piece, 0);

    QVERIFY(complete.wait(TimeoutMs));
    QCOMPARE(contents(piece), m_source.mid(SecondPack.start, SecondPack.length));
    QCOMPARE(*mode, FtpDataMode::Epsv);
    QCOMPARE(countOf(server.commands(), "PORT "), 1);
    QCOMPARE(countOf(server.commands(), "EPSV"), 1);

    server.clearCommands();
    const Pack lastPack{2, 200000, 100000};
    slot.fetch(lastPack, piece, 0);
    QVERIFY(complete.wait(TimeoutMs));
    QCOMPARE(contents(piece), m_source.mid(lastPack.start));
    QCOMPARE(countOf(server.commands(), "PORT "), 0);
    QCOMPARE(countOf(server.commands(), "EPSV"), 1);
}

void tst_FtpSlot::refusedRequestsWriteNothingAndRetry_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<FtpOptions>("options");
    QTest::newRow("missing file") << "/missing.bin" << FtpOptions{};
    QTest::newRow("refused login") << "/file.bin" << refusing(false, true);
    // The file then comes from its first byte: none of it may reach the piece.
    QTest::newRow("restart offset ignored") << "/file.bin" << refusing(false, false, {"REST"});
    // The server connects for the data and never sends any.
    QTest::newRow("silent data connection") << "/file.bin" << refusing(false, false, {"RETR"});
}

void tst_FtpSlot::refusedRequestsWriteNothingAndRetry()
{
    QFETCH(QString, path);
    QFETCH(FtpOptions, options);
    FtpServer server(m_served.path(), options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    FtpSlot slot(3, target(server, path), fastTiming(), activeMode());
    QSignalSpy received(&slot, &FtpSlot::received);
    QSignalSpy complete(&slot, &FtpSlot::packComplete);
    QSignalSpy status(&slot, &FtpSlot::statusChanged);
    const QString piece = m_pieces.filePath("refused.qfd");

    slot.fetch(SecondPack, piece, 0);

    QTRY_VERIFY_WITH_TIMEOUT(countOf(server.commands(), "RETR ") >= 3, TimeoutMs);
    slot.halt();
    QCOMPARE(countOf(server.commands(), "EPSV"), 0); // none of these is about active mode
    QCOMPARE(contents(piece), QByteArray());
    QVERIFY(received.isEmpty());
    QVERIFY(complete.isEmpty());
    for (const QVariantList &caption : status)
        QCOMPARE(caption.at(1), "Sending request...");
}

// The download decides what follows, as it does for an HTTP slot.
void tst_FtpSlot::refusedControlConnectionHaltsTheSlot()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    FtpSlot slot(1, {"127.0.0.1", port, "/file.bin"}, fastTiming(), activeMode());
    QSignalSpy failed(&slot, &FtpSlot::connectionFailed);

    slot.fetch(SecondPack, m_pieces.filePath("closed.qfd"), 0);

    QVERIFY(failed.wait(TimeoutMs));
    QCOMPARE(failed.at(0).at(0).toInt(), 1);
    QVERIFY(slot.holdsPack());
    QVERIFY(!failed.wait(200)); // halted: no retry of its own
}

void tst_FtpSlot::dataLinkTakesOnlyTheServersConnection()
{
    const QHostAddress server(QHostAddress::LocalHost);
    FtpDataLink link;
    QSignalSpy connected(&link, &FtpDataLink::connected);
    const std::optional<quint16> port = link.listen(server, server);
    QVERIFY(port);

    QTcpSocket elsewhere; // another address of this machine does not reach the listener
    elsewhere.connectToHost(QHostAddress("127.0.0.2"), *port);
    QTRY_COMPARE_WITH_TIMEOUT(elsewhere.error(), QAbstractSocket::ConnectionRefusedError,
                              TimeoutMs);

    QTcpSocket foreign; // a peer other than the server is turned away
    QVERIFY(foreign.bind(QHostAddress("127.0.0.2")));
    foreign.connectToHost(server, *port);
    QTRY_COMPARE_WITH_TIMEOUT(foreign.error(), QAbstractSocket::RemoteHostClosedError, TimeoutMs);
    QVERIFY(connected.isEmpty());

    QTcpSocket fromServer;
    QVERIFY(fromServer.bind(server));
    fromServer.connectToHost(server, *port);
    QVERIFY(connected.wait(TimeoutMs));
    QVERIFY(link.isConnected());
}

QTEST_GUILESS_MAIN(tst_FtpSlot)
#include "tst_FtpSlot.moc"
