#include "engine/FtpCommands.h"

#include <QTest>

class tst_FtpCommands final : public QObject
{
    Q_OBJECT

private slots:
    void portArgument_data();
    void portArgument();
    void burstIsTheWholeRequest();
    void passivePorts_data();
    void passivePorts();
};

void tst_FtpCommands::portArgument_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("argument");

    QTest::newRow("port 3000, three hex digits")
        << "192.168.0.5" << 3000 << QByteArray("192,168,0,5,11,184");
    QTest::newRow("highest port") << "127.0.0.1" << 65535 << QByteArray("127,0,0,1,255,255");
    QTest::newRow("IPv4 written as IPv6")
        << "::ffff:127.0.0.1" << 1025 << QByteArray("127,0,0,1,4,1");
    QTest::newRow("IPv6") << "::1" << 4660 << QByteArray();
}

void tst_FtpCommands::portArgument()
{
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(QByteArray, argument);
    QCOMPARE(FtpCommands::portArgument(QHostAddress(address), quint16(port)).value_or(""),
             argument);
}

void tst_FtpCommands::burstIsTheWholeRequest()
{
    QCOMPARE(FtpCommands::burst("PORT 127,0,0,1,18,52", 1024000, "/files/a b.zip", true),
             QByteArray("User anonymous\r\n"
                        "Pass quillfetch@example.com\r\n"
                        "TYPE I\r\n"
                        "SIZE /files/a b.zip\r\n"
                        "MDTM /files/a b.zip\r\n"
                        "PORT 127,0,0,1,18,52\r\n"
                        "REST 1024000\r\n"
                        "RETR /files/a b.zip\r\n"));
    // A line break smuggled into the path cannot start a command of its own.
    QVERIFY(FtpCommands::burst("EPSV", 0, "/a\r\nDELE b", false).endsWith("RETR /aDELE b\r\n"));
}

void tst_FtpCommands::passivePorts_data()
{
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("port"); // 0: no port

    QTest::newRow("EPSV") << true << QByteArray("Entering extended passive mode (|||6446|).")
                          << 6446;
    QTest::newRow("EPSV, other delimiter") << true << QByteArray("Ok (!!!21000!)") << 21000;
    QTest::newRow("EPSV naming an address") << true << QByteArray("(|1|10.0.0.1|6446|)") << 0;
    QTest::newRow("PASV") << false << QByteArray("Entering passive mode (127,0,0,1,18,52).")
                          << 4660;
    QTest::newRow("PASV with blanks") << false << QByteArray("(10, 0, 0, 1, 11, 184)") << 3000;
    QTest::newRow("PASV byte above 255") << false << QByteArray("(127,0,0,1,256,1)") << 0;
    QTest::newRow("PASV port 0") << false << QByteArray("(127,0,0,1,0,0)") << 0;
}

void tst_FtpCommands::passivePorts()
{
    QFETCH(bool, extended);
    QFETCH(QByteArray, text);
    QFETCH(int, port);
    const std::optional<quint16> found =
        extended ? FtpCommands::epsvPort(text) : FtpCommands::pasvPort(text);
    QCOMPARE(int(found.value_or(0)), port);
}

QTEST_GUILESS_MAIN(tst_FtpCommands)
#include "tst_FtpCommands.moc"
