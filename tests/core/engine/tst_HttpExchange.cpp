#include "engine/HttpExchange.h"

#include <QTest>

class tst_HttpExchange final : public QObject
{
    Q_OBJECT

private slots:
    void requestAsksOneBytePastThePack();
    void accepts_data();
    void accepts();
    void changeShown_data();
    void changeShown();
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
    // The version asked for: the ETag unless it is weak, then the date.
    const auto ifRange = [](const ServerValidators &validators) {
        const QByteArray text = HttpExchange::requestText("h", "/f", 0, 9, validators);
        const qsizetype at = text.indexOf("If-Range: ");
        return at < 0 ? QByteArray() : text.mid(at, text.indexOf("\r\nHost:") - at);
    };
    QCOMPARE(ifRange({"\"v1\"", "Mon, 07 Dec 2026 01:00:00 GMT"}), "If-Range: \"v1\"");
    QCOMPARE(ifRange({"W/\"v1\"", "Mon, 07 Dec 2026 01:00:00 GMT"}),
             "If-Range: Mon, 07 Dec 2026 01:00:00 GMT");
    QCOMPARE(ifRange({}), QByteArray());
}

void tst_HttpExchange::accepts_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("refusal"); // the ServerRefusal::Kind of an answer not taken; -1: none

    const QByteArray typeAndLength = "\r\nContent-Type: application/zip\r\nContent-Length: 10";
    const QByteArray partial = "HTTP/1.1 206 Partial Content" + typeAndLength;
    QTest::newRow("range from the first byte asked")
        << partial + "\r\nContent-Range: bytes 100-109/1000" << qint64(100) << true << -1;
    QTest::newRow("names in any case")
        << QByteArray("HTTP/1.1 206 Partial Content\r\ncontent-type: a/b\r\nCONTENT-LENGTH: 10\r\n"
                      "Content-range: bytes 100-109/1000")
        << qint64(100) << true << -1;
    QTest::newRow("total not stated")
        << partial + "\r\nContent-Range: bytes 100-109/*" << qint64(100) << true << -1;
    QTest::newRow("range from another byte")
        << partial + "\r\nContent-Range: bytes 0-109/1000" << qint64(100) << false
        << int(ServerRefusal::Kind::WrongStart);
    QTest::newRow("file of another size")
        << partial + "\r\nContent-Range: bytes 100-109/2000" << qint64(100) << false
        << int(ServerRefusal::Kind::WrongTotal);
    QTest::newRow("206 without Content-Range")
        << partial << qint64(100) << false << int(ServerRefusal::Kind::Unusable);
    QTest::newRow("chunked body")
        << partial + "\r\nContent-Range: bytes 100-109/1000\r\nTransfer-Encoding: Chunked"
        << qint64(100) << false << int(ServerRefusal::Kind::Unusable);
    QTest::newRow("identity coding")
        << partial + "\r\nContent-Range: bytes 100-109/1000\r\nTransfer-Encoding: identity"
        << qint64(100) << true << -1;
    QTest::newRow("whole file for the first pack")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: a/b\r\nContent-Length: 1000") << qint64(0)
        << true << -1;
    QTest::newRow("whole file for a later pack")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: a/b\r\nContent-Length: 1000") << qint64(100)
        << false << int(ServerRefusal::Kind::RangeIgnored);
    QTest::newRow("whole file of another size")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: a/b\r\nContent-Length: 999") << qint64(0)
        << false << int(ServerRefusal::Kind::WrongTotal);
    QTest::newRow("no Content-Type")
        << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Length: 10\r\n"
                      "Content-Range: bytes 100-109/1000")
        << qint64(100) << false << int(ServerRefusal::Kind::Unusable);
    QTest::newRow("no Content-Length")
        << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Type: a/b\r\n"
                      "Content-Range: bytes 100-109/1000")
        << qint64(100) << false << int(ServerRefusal::Kind::Unusable);
    QTest::newRow("range not satisfiable")
        << "HTTP/1.1 416 Range Not Satisfiable" + typeAndLength << qint64(100) << false
        << int(ServerRefusal::Kind::Status);
    QTest::newRow("server error") << "HTTP/1.1 500 Internal Server Error" + typeAndLength
                                  << qint64(0) << false << -1;
    QTest::newRow("not HTTP") << "SSH-2.0-OpenSSH" + typeAndLength << qint64(0) << false
                              << int(ServerRefusal::Kind::Unusable);
}

void tst_HttpExchange::accepts()
{
    QFETCH(QByteArray, header);
    QFETCH(qint64, first);
    QFETCH(bool, accepted);
    QCOMPARE(HttpExchange::accepts(header, first, 1000), accepted);
}

void tst_HttpExchange::changeShown_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<qint64>("newSize"); // -1: no change shown

    const QByteArray partial = "HTTP/1.1 206 Partial Content\r\nContent-Type: a/b\r\n"
                               "Content-Length: 10\r\nContent-Range: bytes 100-109/";
    const QByteArray known = "\r\nETag: \"v1\"\r\nLast-Modified: Mon";
    QTest::newRow("same version") << partial + "1000" + known << qint64(-1);
    QTest::newRow("no validator stated") << partial + "1000" << qint64(-1);
    QTest::newRow("other ETag") << partial + "1000\r\nETag: \"v2\"" << qint64(1000);
    QTest::newRow("same ETag, other date")
        << partial + "1000\r\nETag: \"v1\"\r\nLast-Modified: Tue" << qint64(-1);
    QTest::newRow("other date, no ETag") << partial + "1000\r\nLast-Modified: Tue" << qint64(1000);
    QTest::newRow("other size") << partial + "2000" + known << qint64(2000);
    QTest::newRow("other size without If-Range") << partial + "2000" << qint64(-1);
    QTest::newRow("whole new file for an If-Range")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: a/b\r\nContent-Length: 1500\r\n"
                      "ETag: \"v2\"")
        << qint64(1500);
    QTest::newRow("error answer") << QByteArray("HTTP/1.1 500 Oops\r\nETag: \"v2\"") << qint64(-1);
}

void tst_HttpExchange::changeShown()
{
    QFETCH(QByteArray, header);
    QFETCH(qint64, newSize);
    const ServerValidators known = QByteArray(QTest::currentDataTag()).contains("without If-Range")
                                       ? ServerValidators()
                                       : ServerValidators{"\"v1\"", "Mon"};
    const auto change = HttpExchange::changeShown(header, 1000, known);
    QCOMPARE(change ? change->size : -1, newSize);
    if (change)
        QCOMPARE(change->validators, HttpExchange::validatorsOf(header));
}

QTEST_GUILESS_MAIN(tst_HttpExchange)
#include "tst_HttpExchange.moc"
