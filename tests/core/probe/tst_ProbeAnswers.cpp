#include "probe/FtpReplies.h"
#include "probe/HttpAnswer.h"
#include "probe/HttpVerdict.h"
#include "probe/UrlParts.h"

#include <QTest>

Q_DECLARE_METATYPE(HttpVerdict::Kind)

namespace {

constexpr qint64 PackSize = 512000;

QStringList replyTexts(const QList<FtpReply> &replies)
{
    QStringList texts;
    for (const FtpReply &reply : replies)
        texts.append(QString::number(reply.code) + u'|' + QString::fromLatin1(reply.text));
    return texts;
}

void addUrl(const char *name, const QString &url, const QString &left, const QString &host,
            const QString &path, const QString &fileName, const QString &localName)
{
    QTest::newRow(name) << url << left << host << path << fileName << localName;
}

} // namespace

// The parts of a typed URL, the judgement of HTTP answers and the cutting of FTP replies,
// whatever way TCP split them.
class tst_ProbeAnswers final : public QObject
{
    Q_OBJECT

private slots:
    void extract_data();
    void extract();
    void hostPort_data();
    void hostPort();
    void httpVerdict_data();
    void httpVerdict();
    void headerSplitAcrossReadsAndLimited();
    void ftpReplies_data();
    void ftpReplies();
};

void tst_ProbeAnswers::extract_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("left"); // what Extract_URL leaves in the caller's variable
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("localName"); // the saved file's name
    addUrl("scheme", "http://h.test/d/f.zip", "h.test/d/f.zip", "h.test", "/d/f.zip", "f.zip",
           "f.zip");
    addUrl("ftp host only", "ftp://f.test", "f.test", "f.test", "/", "f.test", "f.test");
    addUrl("query with a slash", "http://h.test/get?f=d/x.zip", "h.test/get?f=d/x.zip", "h.test",
           "/get?f=d/x.zip", "x.zip", "get");
    addUrl("only the first scheme goes", "http://h.test/go#to=ftp://x.test",
           "h.test/go#to=ftp://x.test", "h.test", "/go#to=ftp://x.test", "x.test", "go");
    addUrl("folder", "h.test/dir/", "h.test/dir/", "h.test", "/dir/", "", "download");
    addUrl("escapes", "h.test/my%20file%2F%3F.zip", "h.test/my%20file%2F%3F.zip", "h.test",
           "/my%20file%2F%3F.zip", "my%20file%2F%3F.zip", "my file__.zip");
    // Too long for a file system once a pack number is added: the extension stays.
    const QString longStem = QString(247, 'a');
    addUrl("long name", "h.test/" + longStem + ".bin", "h.test/" + longStem + ".bin", "h.test",
           "/" + longStem + ".bin", longStem + ".bin", QString(196, 'a') + ".bin");
    const QString wide = QString(97, QChar(0xe9)) + QStringLiteral("\U0001F600\U0001F600.7z");
    addUrl("long name, characters kept whole", "h.test/" + wide, "h.test/" + wide, "h.test",
           "/" + wide, wide, QString(97, QChar(0xe9)) + ".7z");
}

void tst_ProbeAnswers::extract()
{
    QFETCH(QString, url);
    QTEST(Extraire_Nom_Fichier(url), "fileName");
    QTEST(localFileName(url), "localName");
    const UrlParts parts = Extract_URL(url);
    QTEST(url, "left");
    QTEST(parts.host, "host");
    QTEST(parts.path, "path");
}

void tst_ProbeAnswers::hostPort_data()
{
    QTest::addColumn<QString>("hostText");
    QTest::addColumn<QString>("split"); // "host port", or "none"
    QTest::newRow("default port") << QStringLiteral("h.test") << QStringLiteral("h.test 21");
    QTest::newRow("port") << QStringLiteral("127.0.0.1:8080") << QStringLiteral("127.0.0.1 8080");
    QTest::newRow("user name") << QStringLiteral("anna:pw@h.test:2121")
                               << QStringLiteral("h.test 2121");
    QTest::newRow("IPv6") << QStringLiteral("[::1]:8080") << QStringLiteral("::1 8080");
    QTest::newRow("empty port") << QStringLiteral("h.test:") << QStringLiteral("none");
    QTest::newRow("port too large") << QStringLiteral("h.test:65536") << QStringLiteral("none");
    QTest::newRow("signed port") << QStringLiteral("h.test:+80") << QStringLiteral("none");
    QTest::newRow("no host") << QStringLiteral(":8080") << QStringLiteral("none");
    QTest::newRow("IPv6 without brackets") << QStringLiteral("::1") << QStringLiteral("none");
    QTest::newRow("unclosed bracket") << QStringLiteral("[::1:80") << QStringLiteral("none");
}

void tst_ProbeAnswers::hostPort()
{
    QFETCH(QString, hostText);
    const std::optional<HostPort> split = splitHostPort(hostText, FtpPort);
    QTEST(split ? split->host + u' ' + QString::number(split->port) : QStringLiteral("none"),
          "split");
}

void tst_ProbeAnswers::httpVerdict_data()
{
    using Kind = HttpVerdict::Kind;
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("ranges");
    QTest::addColumn<QByteArray>("location");

    const QByteArray partial = "HTTP/1.1 206 Partial Content\r\nContent-Type: application/zip\r\n";
    const QByteArray whole = "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\n";
    QTest::newRow("206 size is the range total, not the part sent")
        << partial + "Content-Length: 100\r\nContent-Range: bytes 0-99/3000000000\r\n"
        << Kind::File << qint64(3000000000) << true << QByteArray();
    QTest::newRow("206 unknown total")
        << partial + "Content-Length: 100\r\nContent-Range: bytes 0-99/*\r\n"
        << Kind::Unusable << qint64(0) << false << QByteArray();
    QTest::newRow("200 fills one pack") << whole + "Content-Length: 512000\r\n"
                                        << Kind::File << qint64(512000) << false << QByteArray();
    QTest::newRow("200 over one pack") << whole + "Content-Length: 512001\r\n"
                                       << Kind::Unusable << qint64(0) << false << QByteArray();
    QTest::newRow("web page")
        << QByteArray("HTTP/1.1 206 Partial\r\nContent-Type: text/html\r\nContent-Length: 9\r\n")
        << Kind::NotAFile << qint64(0) << false << QByteArray();
    QTest::newRow("404") << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n")
                         << Kind::NotAFile << qint64(0) << false << QByteArray();
    QTest::newRow("no content type") << QByteArray("HTTP/1.1 206 Partial\r\nContent-Length: 12\r\n")
                                     << Kind::Unusable << qint64(0) << false << QByteArray();
    QTest::newRow("negative length") << partial + "Content-Length: -5\r\n"
                                     << Kind::Unusable << qint64(0) << false << QByteArray();
    QTest::newRow("length beyond 64 bits") << partial + "Content-Length: 99999999999999999999\r\n"
                                           << Kind::Unusable << qint64(0) << false << QByteArray();
    for (const char *code : {"301", "302", "303", "307", "308"}) {
        QTest::addRow("redirect %s", code)
            << "HTTP/1.1 " + QByteArray(code) + " Moved\r\nLocation: /Other/File.ZIP\r\n"
            << Kind::Redirect << qint64(0) << false << QByteArray("/Other/File.ZIP");
    }
    QTest::newRow("redirect without location")
        << QByteArray("HTTP/1.1 302 Found\r\nContent-Length: 0\r\n") << Kind::Unusable << qint64(0)
        << false << QByteArray();
    QTest::newRow("not an HTTP status line")
        << QByteArray("ICY 200 OK\r\nContent-Length: 5\r\n") << Kind::Unusable << qint64(0) << false
        << QByteArray();
}

void tst_ProbeAnswers::httpVerdict()
{
    QFETCH(QByteArray, header);
    QFETCH(HttpVerdict::Kind, kind);
    QFETCH(qint64, size);
    QFETCH(bool, ranges);
    QFETCH(QByteArray, location);

    HttpAnswer answer;
    answer.append(header + "\r\n");
    const HttpVerdict verdict = judgeHttpAnswer(answer, PackSize);
    QCOMPARE(verdict.kind, kind);
    QCOMPARE(verdict.size, size);
    QCOMPARE(verdict.rangeSupported, ranges);
    QCOMPARE(verdict.location, location);
}

// The blank line may arrive in pieces; a header that never ends is cut off at the limit.
void tst_ProbeAnswers::headerSplitAcrossReadsAndLimited()
{
    HttpAnswer answer;
    QCOMPARE(answer.append("HTTP/1.1 206 Partial Content\r\nContent-Le"),
             HttpAnswer::State::Incomplete);
    QCOMPARE(answer.append("ngth: 42\r\n\r"), HttpAnswer::State::Incomplete);
    QCOMPARE(answer.append("\nContent-Type: text/html\r\n\r\nbody"), HttpAnswer::State::Complete);
    QCOMPARE(answer.field("Content-Length"), QByteArray("42"));
    QVERIFY2(!answer.field("Content-Type"), "text after the blank line is body, not header");

    HttpAnswer endless;
    QCOMPARE(endless.append("HTTP/1.1 206 Partial Content\r\n"), HttpAnswer::State::Incomplete);
    QCOMPARE(endless.append("X-Pad: " + QByteArray(HttpAnswer::MaxHeaderBytes, 'a') + "\r\n"),
             HttpAnswer::State::TooLarge);
}

void tst_ProbeAnswers::ftpReplies_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QStringList>("replies");

    QTest::newRow("size answer split over two reads")
        << QByteArrayList{"230 In\r\n21", "3 98", "76\r", "\n"}
        << QStringList{"230|In", "213|9876"};
    QTest::newRow("multi-line reply counts once, inner lines are text")
        << QByteArrayList{"220-Welcome\r\n550 users max\r\n 220 indented\r\n220 Ready\r\n"}
        << QStringList{"220|Ready"};
    QTest::newRow("bare LF line ends")
        << QByteArrayList{"220 a\n550 missing\n"} << QStringList{"220|a", "550|missing"};
    QTest::newRow("noise is not a reply")
        << QByteArrayList{"hello 500\r\n5000 odd\r\n213x1\r\n"} << QStringList{};
}

void tst_ProbeAnswers::ftpReplies()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(QStringList, replies);

    FtpReplies cutter;
    QList<FtpReply> seen;
    for (const QByteArray &chunk : chunks)
        seen.append(cutter.append(chunk));
    QCOMPARE(replyTexts(seen), replies);
}

QTEST_GUILESS_MAIN(tst_ProbeAnswers)
#include "tst_ProbeAnswers.moc"
