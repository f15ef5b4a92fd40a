#include "engine/FtpCommands.h"

#include <QTest>

class tst_FtpCommands final : public QObject
{
    Q_OBJECT

private slots:
    void burstIsTheWholeRequest();
    void passivePorts();
};

void tst_FtpCommands::burstIsTheWholeRequest()
{
    const QByteArray port =
        "PORT " + FtpCommands::portArgument(QHostAddress("192.168.0.5"), 3000).value_or("");
    QCOMPARE(FtpCommands::burst(port, 1024000, "/files/a b.zip", true),
             QByteArray("User anonymous\r\n"
                        "Pass quillfetch@example.com\r\n"
                        "TYPE I\r\n"
                        "SIZE /files/a b.zip\r\n"
                        "MDTM /files/a b.zip\r\n"
                        "PORT 192,168,0,5,11,184\r\n"
                        "REST 1024000\r\n"
                        "RETR /files/a b.zip\r\n"));
    // A line break smuggled into the path cannot start a command of its own. A pack from the
    // first byte asks no restart: a server without REST serves it.
    QVERIFY(FtpCommands::burst("EPSV", 0, "/a\r\nb", false).endsWith("EPSV\r\nRETR /ab\r\n"));
}

// Any delimiter in an EPSV reply; in a PASV reply the address is not used, blanks may surround
// the port's bytes, and a byte above 255 makes no port.
void tst_FtpCommands::passivePorts()
{
    QCOMPARE(FtpCommands::epsvPort("Ok (!!!21000!)"), quint16(21000));
    QCOMPARE(FtpCommands::pasvPort("Entering passive mode (10, 0, 0, 1, 11, 184)."), quint16(3000));
    QVERIFY(!FtpCommands::pasvPort("(127,0,0,1,1,256)"));
}

QTEST_GUILESS_MAIN(tst_FtpCommands)
#include "tst_FtpCommands.moc"
