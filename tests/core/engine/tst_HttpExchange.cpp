#include "engine/HttpExchange.h"

#include <QTest>

class tst_HttpExchange final : public QObject
{
    Q_OBJECT

private slots:
    void requestAsksOneBytePastThePack();
    void accepts_data();
    void accepts();
};

void tst_HttpExchange::requestAsksOneBytePastThePack()
{
    QCOMPARE(HttpExchange::requestText("example.org:8080", "/files/a b.zip", 512000, 1024000),
             QByteArray("GET /files/a b.zip HTTP/1.1\r\n"
                        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                        "Accept-Language: fr\r\n"
                        "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
                        "Range: bytes=512000-1024000\r\n"
                        "Host: example.org:8080\r\n"
                        "Connection: Keep-Alive\r\n"
                        "\r\n"));
}

void tst_HttpExchange::accepts_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<bool>("accepted");

    const QByteArray typeAndLength = "\r\nContent-Type: application/zip\r\nContent-Length: 10";
    const QByteArray partial = "HTTP/1.1 206 Partial Content" + typeAndLength;
    QTest::newRow("range from the first byte asked")
        << partial + "\r\nContent-Range: bytes 100-109/1000" << qint64(100) << true;
    QTest::newRow("names in any case")
        << QByteArray("HTTP/1.1 206 Partial Content\r\ncontent-type: a/b\r\nCONTENT-LENGTH: 10\r\n"
                      "Content-range: bytes 100-109/1000")
        << qint64(100) << true;
    QTest::newRow("total not stated")
        << partial + "\r\nContent-Range: bytes 100-109/*" << qint64(100) << true;
    QTest::newRow("range from another byte")
        << partial + "\r\nContent-Range: bytes 0-109/1000" << qint64(100) << false;
    QTest::newRow("file of another size")
        << partial + "\r\nContent-Range: bytes 100-109/2000" << qint64(100) << false;
    QTest::newRow("206 without Content-Range") << partial << qint64(100) << false;
    QTest::newRow("chunked body")
        << partial + "\r\nContent-Range: bytes 100-109/1000\r\nTransfer-Encoding: Chunked"
        << qint64(100) << false;
    QTest::newRow("identity coding")
        << partial + "\r\nContent-Range: bytes 100-109/1000\r\nTransfer-Encoding: identity"
        << qint64(100) << true;
    QTest::newRow("whole file for the first pack")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: a/b\r\nContent-Length: 1000") << qint64(0)
        << true;
    QTest::newRow("whole file for a later pack")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: a/b\r\nContent-Length: 1000") << qint64(100)
        << false;
    QTest::newRow("whole file of another size")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: a/b\r\nContent-Length: 999") << qint64(0)
        << false;
    QTest::newRow("no Content-Type")
        << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Length: 10\r\n"
                      "Content-Range: bytes 100-109/1000")
        << qint64(100) << false;
    QTest::newRow("no Content-Length")
        << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Type: a/b\r\n"
                      "Content-Range: bytes 100-109/1000")
        << qint64(100) << false;
    QTest::newRow("range not satisfiable")
        << "HTTP/1.1 416 Range Not Satisfiable" + typeAndLength << qint64(100) << false;
    QTest::newRow("server error") << "HTTP/1.1 500 Internal Server Error" + typeAndLength
                                  << qint64(0) << false;
    QTest::newRow("not HTTP") << "SSH-2.0-OpenSSH" + typeAndLength << qint64(0) << false;
}

void tst_HttpExchange::accepts()
{
    QFETCH(QByteArray, header);
    QFETCH(qint64, first);
    QFETCH(bool, accepted);
    QCOMPARE(HttpExchange::accepts(header, first, 1000), accepted);
}

QTEST_GUILESS_MAIN(tst_HttpExchange)
#include "tst_HttpExchange.moc"
