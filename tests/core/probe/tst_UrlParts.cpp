#include "probe/UrlParts.h"

#include <QTest>

class tst_UrlParts final : public QObject
{
    Q_OBJECT

private slots:
    void extract_data();
    void extract();
    void hostPort_data();
    void hostPort();
};

namespace {
void addUrl(const char *name, const QString &url, const QString &left, const QString &host,
            const QString &path, const QString &fileName, const QString &localName)
{
    QTest::newRow(name) << url << left << host << path << fileName << localName;
}
} // namespace

void tst_UrlParts::extract_data()
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

void tst_UrlParts::extract()
{
    QFETCH(QString, url);
    QTEST(Extraire_Nom_Fichier(url), "fileName");
    QTEST(localFileName(url), "localName");
    const UrlParts parts = Extract_URL(url);
    QTEST(url, "left");
    QTEST(parts.host, "host");
    QTEST(parts.path, "path");
}

void tst_UrlParts::hostPort_data()
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

void tst_UrlParts::hostPort()
{
    QFETCH(QString, hostText);
    const std::optional<HostPort> split = splitHostPort(hostText, FtpPort);
    QTEST(split ? split->host + u' ' + QString::number(split->port) : QStringLiteral("none"),
          "split");
}

QTEST_GUILESS_MAIN(tst_UrlParts)
#include "tst_UrlParts.moc"
