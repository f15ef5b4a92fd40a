#include "engine/HttpExchange.h"

#include <QTest>

class tst_HttpExchange final : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
};

// Whether a pack's answer is taken, and whether it shows that the file changed on the server
// since its validators (ETag "v1", date "Mon") were kept. Mostly answers the fault server never
// gives.
void tst_HttpExchange::answers_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<qint64>("newSize"); // -1: no change shown

    const QByteArray partial = "HTTP/1.1 206 Partial Content\r\nContent-Type: a/b\r\n";
    const QByteArray range = "Content-Length: 10\r\nContent-Range: bytes 100-109/";
    const QByteArray whole = "HTTP/1.1 200 OK\r\nContent-Type: a/b\r\nContent-Length: ";
    QTest::newRow("names in any case")
        << QByteArray("HTTP/1.1 206 Partial Content\r\ncontent-type: a/b\r\nCONTENT-LENGTH: 10\r\n"
                      "Content-range: bytes 100-109/1000")
        << qint64(100) << true << qint64(-1);
    QTest::newRow("total not stated") << partial + range + "*" << qint64(100) << true << qint64(-1);
    QTest::newRow("range starts before the byte asked")
        << partial + "Content-Length: 10\r\nContent-Range: bytes 99-108/1000" << qint64(100)
        << false << qint64(-1);
    QTest::newRow("206 without a byte")
        << partial + "Content-Length: 0\r\nContent-Range: bytes 100-109/1000" << qint64(100)
        << false << qint64(-1);
    QTest::newRow("206 without Content-Range")
        << partial + "Content-Length: 10" << qint64(100) << false << qint64(-1);
    QTest::newRow("chunked") << partial + range + "1000\r\nTransfer-Encoding: chunked"
                             << qint64(100) << false << qint64(-1);
    QTest::newRow("no Content-Length")
        << partial + "Content-Range: bytes 100-109/1000" << qint64(100) << false << qint64(-1);
    QTest::newRow("same ETag, other date")
        << partial + range + "1000\r\nETag: \"v1\"\r\nLast-Modified: Tue" << qint64(100) << true
        << qint64(-1);
    QTest::newRow("other date, no ETag")
        << partial + range + "1000\r\nLast-Modified: Tue" << qint64(100) << true << qint64(1000);
    QTest::newRow("other size") << partial + range + "2000\r\nETag: \"v1\"" << qint64(100) << false
                                << qint64(2000);
    QTest::newRow("other size without If-Range")
        << partial + range + "2000" << qint64(100) << false << qint64(-1);
    QTest::newRow("whole file for a later range")
        << whole + "1000" << qint64(100) << false << qint64(-1);
    QTest::newRow("whole file of another size")
        << whole + "999" << qint64(0) << false << qint64(999);
    QTest::newRow("whole new file for an If-Range")
        << whole + "1500\r\nETag: \"v2\"" << qint64(100) << false << qint64(1500);
    QTest::newRow("error answer") << QByteArray("HTTP/1.1 500 Oops\r\nETag: \"v2\"") << qint64(0)
                                  << false << qint64(-1);
}

void tst_HttpExchange::answers()
{
    QFETCH(QByteArray, header);
    QFETCH(qint64, first);
    QFETCH(qint64, newSize);
    QTEST(HttpExchange::accepts(header, first, 1000), "accepted");
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
