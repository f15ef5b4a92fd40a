#include "probe/HttpVerdict.h"
#include "probe/UrlParts.h"

#include <QTest>

Q_DECLARE_METATYPE(HttpVerdict::Kind)

// The parts of a typed URL and the judgement of HTTP answers, whatever way TCP split them.
class tst_ProbeAnswers final : public QObject
{
    Q_OBJECT

private slots:
    void urlRead_data();
    void urlRead();
    void localName_data();
    void localName();
    void hostPort_data();
    void hostPort();
    void httpVerdict_data();
    void httpVerdict();
};

// What goes on the wire: a URL as browsers send it, or nothing at all.
void tst_ProbeAnswers::urlRead_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("read"); // "scheme|text|host|path", or the refusal
    const QString control = "The URL contains control characters and cannot be used !";
    const QString protocol = " is not supported: only http, https and ftp URLs can be downloaded !";
    QTest::newRow("trimmed, TLS kept") << QStringLiteral(" https://127.0.0.1/f.bin\n")
                                       << "https|https://127.0.0.1/f.bin|127.0.0.1|/f.bin";
    const QString escaped = "/a%20b/%41%25zz%22%7C%C3%A9?q=x%20y&r=/";
    QTest::newRow("escaped as browsers do, fragment dropped")
        << QStringLiteral("HTTP://h/a b/%41%zz\"|\u00e9?q=x y&r=/#top")
        << "http|h" + escaped + "|h|" + escaped;
    QTest::newRow("a port is no scheme")
        << QStringLiteral("h.test:8080") << "http|h.test:8080|h.test:8080|/";
    QTest::newRow("a query ends the host") << QStringLiteral("http:h?x") << "http|h?x|h|/?x";
    QTest::newRow("FTP escapes decoded")
        << QStringLiteral("ftp://h/a%20b.zip") << "ftp|h/a%20b.zip|h|/a b.zip";
    QTest::newRow("header smuggled")
        << QStringLiteral("http://h/f HTTP/1.1\r\nX-Injected: yes") << control;
    QTest::newRow("FTP command smuggled") << QStringLiteral("ftp://h/f%0D%0ADELE%20x") << control;
    QTest::newRow("ftps") << QStringLiteral("FTPS://h/f") << "The protocol ftps" + protocol;
    QTest::newRow("javascript") << QStringLiteral("javascript:alert(1)")
                                << "The protocol javascript" + protocol;
}

void tst_ProbeAnswers::urlRead()
{
    QFETCH(QString, input);
    const UrlReading reading = Extract_URL(input);
    const Url url = reading.url.value_or(Url());
    const QStringList parts = {QStringList{"http", "https", "ftp"}.at(int(url.scheme)), url.text,
                               url.host, url.path};
    QTEST(reading.url ? parts.join(u'|') : reading.refusal, "read");
}

// The name a file is saved under: query and fragment go, escapes are decoded into a safe name,
// and a name too long for a file system once a pack number is added is cut by bytes, keeping
// its extension and its characters whole.
void tst_ProbeAnswers::localName_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("localName");
    QTest::newRow("query and fragment") << QStringLiteral("h.test/get?f=d/x.zip#top") << "get";
    QTest::newRow("escapes") << QStringLiteral("h.test/my%20file%2F%3F.zip") << "my file__.zip";
    const QString wide = QString(97, QChar(0xe9)) + QStringLiteral("\U0001F600\U0001F600.7z");
    QTest::newRow("long name") << "h.test/" + wide << QString(97, QChar(0xe9)) + ".7z";
}

void tst_ProbeAnswers::localName()
{
    QFETCH(QString, url);
    QTEST(localFileName(url), "localName");
}

void tst_ProbeAnswers::hostPort_data()
{
    QTest::addColumn<QString>("hostText");
    QTest::addColumn<QString>("split"); // "host port", or "none"
    QTest::newRow("default port") << QStringLiteral("h.test") << "h.test 21";
    QTest::newRow("IPv6") << QStringLiteral("[::1]:8080") << "::1 8080";
    QTest::newRow("port too large") << QStringLiteral("h.test:65536") << "none";
    QTest::newRow("user name") << QStringLiteral("anna:pw@h.test:2121") << "h.test 2121";
}

void tst_ProbeAnswers::hostPort()
{
    QFETCH(QString, hostText);
    const std::optional<HostPort> split = splitHostPort(hostText, FtpPort);
    QTEST(split ? split->host + u' ' + QString::number(split->port) : "none", "split");
}

// Ranges are supported exactly when a file is answered with 206.
void tst_ProbeAnswers::httpVerdict_data()
{
    using Kind = HttpVerdict::Kind;
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<qint64>("size");

    const QByteArray partial = "HTTP/1.1 206 Partial Content\r\nContent-Type: application/zip\r\n";
    const QByteArray whole = "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\n";
    QTest::newRow("206 size is the range total, not the part sent")
        << partial + "Content-Length: 100\r\nContent-Range: bytes 0-99/3000000000\r\n"
        << Kind::File << qint64(3000000000);
    QTest::newRow("after 100 Continue and 103 Early Hints")
        << "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Hints\r\n\r\n" + whole +
               "Content-Length: 9\r\n"
        << Kind::File << qint64(9);
    QTest::newRow("206 without a byte")
        << partial + "Content-Length: 0\r\nContent-Range: bytes 0-99/3000\r\n"
        << Kind::Unusable << qint64(0);
    QTest::newRow("206 unit in capitals")
        << partial + "Content-Length: 100\r\nContent-Range: BYTES 0-99/3000\r\n"
        << Kind::File << qint64(3000);
    QTest::newRow("206 unknown total")
        << partial + "Content-Length: 100\r\nContent-Range: bytes 0-99/*\r\n"
        << Kind::Unusable << qint64(0);
    QTest::newRow("200 fills one pack") << whole + "Content-Length: 512000\r\n"
                                        << Kind::File << qint64(512000);
    QTest::newRow("200 over one pack") << whole + "Content-Length: 512001\r\n"
                                       << Kind::Unusable << qint64(0);
    QTest::newRow("two lengths that differ")
        << whole + "Content-Length: 9\r\nContent-Length: 10\r\n"
        << Kind::Unusable << qint64(0);
    QTest::newRow("410 is not found")
        << QByteArray("HTTP/1.1 410 Gone\r\n") << Kind::NotAFile << qint64(0);
    QTest::newRow("web page")
        << QByteArray("HTTP/1.1 206 Partial\r\nContent-Type: text/html\r\nContent-Length: 9\r\n")
        << Kind::NotAFile << qint64(0);
    QTest::newRow("no content type") << QByteArray("HTTP/1.1 206 Partial\r\nContent-Length: 12\r\n")
                                     << Kind::Unusable << qint64(0);
    QTest::newRow("length beyond 64 bits") << partial + "Content-Length: 99999999999999999999\r\n"
                                           << Kind::Unusable << qint64(0);
}

void tst_ProbeAnswers::httpVerdict()
{
    QFETCH(QByteArray, header);
    QFETCH(HttpVerdict::Kind, kind);

    HttpAnswer answer;
    answer.append(header + "\r\n");
    const HttpVerdict verdict = judgeHttpAnswer(answer, 512000);
    QCOMPARE(verdict.kind, kind);
    QTEST(verdict.size, "size");
    QCOMPARE(verdict.rangeSupported, kind == HttpVerdict::Kind::File && header.contains(" 206 "));
}

QTEST_GUILESS_MAIN(tst_ProbeAnswers)
#include "tst_ProbeAnswers.moc"
