#include "wire/FtpCommands.h"
#include "wire/FtpReplies.h"
#include "wire/HttpRequest.h"

#include <QTest>

// What goes on the wire and how what comes back is read, whatever way TCP split it.
class tst_Wire final : public QObject
{
    Q_OBJECT

private slots:
    void httpRequestAsksOneBytePastThePack();
    void ftpBurstIsTheWholeRequest();
    void ftpPassivePorts();
    void ftpRepliesCutFromReads();
};

void tst_Wire::httpRequestAsksOneBytePastThePack()
{
    QCOMPARE(HttpRequest::packText("example.org:8080", "/files/a b.zip", 512000, 1024000),
             QByteArray("GET /files/a b.zip HTTP/1.1\r\n"
                        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                        "Accept-Language: fr\r\n"
                        "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
                        "Range: bytes=512000-1024000\r\n"
                        "Host: example.org:8080\r\n"
                        "Connection: Keep-Alive\r\n"
                        "\r\n"));
    // The version asked for: the ETag unless it is weak, then the date.
    const QByteArray date = "Mon, 07 Dec 2026 01:00:00 GMT";
    QVERIFY(HttpRequest::packText("h", "/f", 0, 9, {"\"v1\"", date})
                .contains("\r\nIf-Range: \"v1\"\r\nHost: h\r\n"));
    QVERIFY(HttpRequest::packText("h", "/f", 0, 9, {"W/\"v1\"", date})
                .contains("\r\nIf-Range: " + date + "\r\nHost: h\r\n"));
}

void tst_Wire::ftpBurstIsTheWholeRequest()
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
void tst_Wire::ftpPassivePorts()
{
    QCOMPARE(FtpCommands::epsvPort("Ok (!!!21000!)"), quint16(21000));
    QCOMPARE(FtpCommands::pasvPort("Entering passive mode (10, 0, 0, 1, 11, 184)."), quint16(3000));
    QVERIFY(!FtpCommands::pasvPort("(127,0,0,1,1,256)"));
}

// A reply cut by a read waits for its end; a multi-line greeting counts once, at its last line.
void tst_Wire::ftpRepliesCutFromReads()
{
    FtpReplies cutter;
    QCOMPARE(cutter.append("220-Welcome\r\n550 users max\n 220 indented\r\n220 Ready\r\n21").size(),
             1);
    QVERIFY(cutter.append("3 98").isEmpty());
    QCOMPARE(cutter.append("76\r\n").value(0).text, QByteArray("9876"));

    // A line over the limit is dropped whole, however the reads cut it.
    const QByteArray flood = "550 " + QByteArray(FtpReplies::MaxLineBytes, 'x') + "\r\n226 Ok\r\n";
    FtpReplies cut;
    QList<FtpReply> replies = cut.append(flood.left(FtpReplies::MaxLineBytes + 1));
    replies += cut.append(flood.mid(FtpReplies::MaxLineBytes + 1));
    QVERIFY(replies == FtpReplies().append(flood));
    QCOMPARE(replies.size(), 1);
}

QTEST_GUILESS_MAIN(tst_Wire)
#include "tst_Wire.moc"
