#include "FaultServer.h"
#include "NginxServer.h"
#include "SilentServer.h"
#include "SquidServer.h"
#include "TestFiles.h"
#include "TestHome.h"

#include "options/Settings.h"
#include "probe/HttpVerdict.h"
#include "probe/Probe.h"
#include "store/ProjectStore.h"

#include <QDir>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(HttpVerdict::Kind)

namespace {

// Its digest comes in the answer, or in SHA256SUMS beside it.
const QByteArray Digested = TestFiles::randomBytes(1000, 3);

const QString FtpUnusable = QStringLiteral(
    "Unable to use the high speed download method on this server or file not found !");
const QString NotAFile = QStringLiteral("File not found or the URL don't point on a file !");
const QString NoAnswer = QStringLiteral("Unable to connect to website !\r\n");
const QString ConnectError = QStringLiteral("An error occured while connecting to website !\r\n"
                                            "%1\r\nPlease check your Internet connection or "
                                            "retry later !");

// A probe on a throw-away home, with spies on what it says.
struct Harness
{
    explicit Harness(Probe::Intervals intervals = {10000, 3000}) : probe(store, settings, intervals)
    {}

    // Starts a probe of url and waits until `outcomes` probes have ended.
    bool run(const QString &url, int outcomes = 1)
    {
        probe.start(url);
        return QTest::qWaitFor([&] { return succeeded.count() + failed.count() >= outcomes; },
                               15000);
    }
    ProbeResult result(int i = 0) const { return succeeded.value(i).value(0).value<ProbeResult>(); }
    // The failure, or what was found: "url|name|size|ranges" ("whole" without ranges), and
    // "|<digest>" when the server gives one, "|<name>" when it names the file.
    QString outcome() const
    {
        const ProbeResult r = result();
        const QString named = r.serverFileName.isEmpty() ? QString() : u'|' + r.serverFileName;
        return failed.isEmpty() ? r.url + u'|' + r.projectName + u'|' + QString::number(r.size) +
                                      (r.rangeSupported ? "|ranges" : "|whole") +
                                      (r.checksum ? '|' + r.checksum->text() : QString()) + named
                                : failed.last().at(0).toString();
    }

    TestHome home;
    QSettings qsettings{home.settingsPath(), QSettings::IniFormat};
    Settings settings{qsettings, home.dataFolder() + QStringLiteral("received/")};
    ProjectStore store{home.dataFolder()};
    Probe probe;
    QSignalSpy succeeded{&probe, &Probe::succeeded};
    QSignalSpy failed{&probe, &Probe::failed};
    QSignalSpy statuses{&probe, &Probe::statusChanged};
};

} // namespace

// The probe against nginx and against servers that misbehave on purpose, and its verdict on each
// kind of answer, from a table.
class tst_Probe final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void httpOutcomes_data();
    void httpOutcomes();
    void unansweredOrUnreachable();
    void throughProxies_data();
    void throughProxies();
    void ftpReplies_data();
    void ftpReplies();
    void urlHandedInMeanwhileWaitsAndTakenNamesGetSuffixes();
    void loginsAndTheBrowsersHeaders();
    void httpVerdict_data();
    void httpVerdict();

private:
    QTemporaryDir m_root;
};

void tst_Probe::initTestCase()
{
    qputenv("HOME", QFile::encodeName(m_root.filePath("home"))); // where ~/.netrc is looked for
    QVERIFY(
        TestFiles::writeFile(m_root.filePath("dir/setup.exe"), TestFiles::randomBytes(700000, 1)));
    QVERIFY(TestFiles::writeFile(m_root.filePath("files/Real.Name.bin"),
                                 TestFiles::randomBytes(1234, 2)));
    for (const char *name : {"files/user.zip", "files/joined.bin", "get/c0de"})
        QVERIFY(TestFiles::writeFile(m_root.filePath(name), "bytes"));
    QVERIFY(TestFiles::writeFile(m_root.filePath("files/digested.bin"), Digested));
    QVERIFY(TestFiles::writeFile(m_root.filePath("sums/listed.bin"), Digested));
    const QByteArray sums = TestFiles::sha256("other").toHex() + "  listed.bin.old\n" +
                            TestFiles::sha256(Digested).toHex() + " *listed.bin\n";
    QVERIFY(TestFiles::writeFile(m_root.filePath("sums/SHA256SUMS"), sums));
}

void tst_Probe::httpOutcomes_data()
{
    using Tls = NginxOptions::Tls;
    QTest::addColumn<QString>("path");
    QTest::addColumn<Tls>("tls");
    // What Harness::outcome() gives, "%1" standing for nginx's port. HTTPS is trusted unless the
    // certificate is refused.
    QTest::addColumn<QString>("outcome");

    QTest::newRow("redirects, absolute then relative")
        << "start" << Tls::Off << "127.0.0.1:%1/files/Real.Name.bin|Real|1234|ranges";
    QTest::newRow("403 names its status")
        << "private" << Tls::Off << "The server answered with the error 403 instead of the file !";
    QTest::newRow("redirect loop stops")
        << "loop" << Tls::Off << "Unable to use the high speed download method on this server !";
    QTest::newRow("https, trusted") << "dir/setup.exe" << Tls::TestAuthority
                                    << "https://127.0.0.1:%1/dir/setup.exe|setup|700000|ranges";
    QTest::newRow("https, self-signed") << "dir/setup.exe" << Tls::TestAuthority
                                        << "The certificate of 127.0.0.1:%1 cannot be trusted !\r\n"
                                           "The certificate is self-signed, and untrusted";
    const QString digest = "|1000|ranges|sha256:" + TestFiles::sha256(Digested).toHex();
    QTest::newRow("digest in the answer")
        << "files/digested.bin" << Tls::Off << "127.0.0.1:%1/files/digested.bin|digested" + digest;
    QTest::newRow("digest in SHA256SUMS beside it")
        << "sums/listed.bin" << Tls::Off << "127.0.0.1:%1/sums/listed.bin|listed" + digest;
    QTest::newRow("https never redirected to http")
        << "plain" << Tls::TestAuthority
        << "The server redirects to an address without TLS: a download asked for over https "
           "never leaves it !";
    // The server names the file: that name, made safe, names the project and the file.
    QTest::newRow("named with a path")
        << "get/c0de" << Tls::Off << "127.0.0.1:%1/get/c0de|evil|5|ranges|evil.sh";
}

void tst_Probe::httpOutcomes()
{
    QFETCH(QString, path);
    QFETCH(NginxOptions::Tls, tls);
    QFETCH(QString, outcome);
    const QStringList redirects = {
        "location = /start { return 301 /step; }",
        "location = /loop { return 302 /loop; }",
        "location = /private { return 403; }",
        "location = /plain { return 302 http://127.0.0.1:1/dir/setup.exe; }",
        "location = /step { absolute_redirect off; return 308 /files/Real.Name.bin; }",
        "location = /files/digested.bin { add_header Repr-Digest \"sha-512=:AAAA:, sha-256=:" +
            TestFiles::sha256(Digested).toBase64() + ":\"; }"};
    NginxOptions options{0, 0, redirects, tls};
    options.dispositions = {{"/get/c0de", "attachment; filename=\"/etc/cron.d/evil.sh\""}};
    NginxServer nginx(m_root.path(), options);
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;
    h.settings.setTestCaFile(outcome.startsWith("The certificate") ? QString() : nginx.caFile());

    // HTTPS is reached through a redirect from plain HTTP, as links often are.
    FaultServer hop;
    hop.setRawResponse("/hop", "HTTP/1.1 302 Found\r\nLocation: " + nginx.url(path).toUtf8() +
                                   "\r\nContent-Length: 0\r\n\r\n");
    QVERIFY(h.run(tls == NginxOptions::Tls::Off ? nginx.url(path) : hop.url("hop")));

    QCOMPARE(h.outcome(), outcome.contains("%1") ? outcome.arg(nginx.port()) : outcome);
}

// Silence, a header that never ends and a close without a word all leave the user with the URL;
// a failed connection says why.
void tst_Probe::unansweredOrUnreachable()
{
    SilentServer silent;
    SilentServer halfHeader("HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\n");
    FaultServer closing;
    closing.setRawResponse("/f.bin", "");
    // A label this long is refused before any name server is asked.
    const QString unknownHost = QString(64, u'a') + ".invalid";
    const QList<std::pair<QString, QString>> cases = {
        {silent.url("f.bin"), NoAnswer + silent.url("f.bin")},
        {halfHeader.url("f.bin"), NoAnswer + halfHeader.url("f.bin")},
        {closing.url("f.bin"), NoAnswer + closing.url("f.bin")},
        {QStringLiteral("127.0.0.1:1/f.bin"), // nothing listens on port 1
         ConnectError.arg("127.0.0.1:1 refused the connection.")},
        {unknownHost + "/f", ConnectError.arg("The host " + unknownHost + " was not found.")},
        {QString(), ConnectError.arg("The URL names no server.")}};
    Harness h({300, 3000});

    for (int i = 0; i < cases.size(); ++i) {
        QVERIFY(h.run(cases[i].first, i + 1));
        QCOMPARE(h.outcome(), cases[i].second);
    }
    QVERIFY(h.run("https://" + halfHeader.url("f.bin"), int(cases.size()) + 1));
    QVERIFY2(h.outcome().startsWith("The server " + halfHeader.url("").chopped(1) +
                                    " does not speak TLS (HTTPS) !\r\n"),
             qPrintable(h.outcome()));
}

// HTTPS through a proxy from the environment or the setting, squid tunnelling to 443 alone, or
// to any high port but only for its user: a refusal, a login wanted or refused and a proxy out of
// reach name the proxy.
void tst_Probe::throughProxies_data()
{
    // "proxy given login": squid, squid with a login ("user"), or nothing listening ("none");
    // a variable of the environment, or the setting's type.
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("outcome"); // the size found, or the cause (P: proxy, N: nginx)
    QTest::newRow("login in https_proxy") << QStringLiteral("user https_proxy anna:pw") << "700000";
    QTest::newRow("tunnel refused")
        << QStringLiteral("squid http -") << "The proxy P refused to connect to N (error 403).";
    QTest::newRow("login wanted") << QStringLiteral("user http -")
                                  << "The proxy P wants a user and a password.";
    QTest::newRow("login refused")
        << QStringLiteral("user all_proxy anna:no") << "The proxy P refused its user and password.";
    QTest::newRow("out of reach") << QStringLiteral("none socks5 -")
                                  << "The proxy P refused the connection.";
}

void tst_Probe::throughProxies()
{
    QFETCH(QString, setup);
    QFETCH(QString, outcome);
    const auto [proxy, given, login] =
        std::tuple{setup.section(' ', 0, 0), setup.section(' ', 1, 1), setup.section(' ', 2, 2)};
    NginxServer nginx(m_root.path(), {0, 0, {}, NginxOptions::Tls::TestAuthority});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    SquidServer squid(proxy == "squid" ? SquidOptions{}
                                       : SquidOptions{{"1024-65535"}, "anna", "pw"});
    QVERIFY(proxy == "none" || squid.start());
    const quint16 port = proxy == "none" ? 1 : squid.port(); // nothing listens on port 1
    Harness h;
    h.settings.setTestCaFile(nginx.caFile());
    const auto unset = qScopeGuard([&given] { qunsetenv(qPrintable(given)); });
    if (given.endsWith("_proxy")) {
        qputenv("no_proxy", "");
        qputenv(qPrintable(given),
                ("http://" + login + "@127.0.0.1:" + QString::number(port)).toUtf8());
    } else {
        const auto type = given == "socks5" ? ProxySetting::Type::Socks5 : ProxySetting::Type::Http;
        h.settings.setProxy({ProxySetting::Mode::Manual, type, "127.0.0.1", port});
    }

    QVERIFY(h.run(nginx.url("dir/setup.exe")));

    const QString cause = QString(outcome)
                              .replace('P', "127.0.0.1:" + QString::number(port))
                              .replace('N', "127.0.0.1:" + QString::number(nginx.port()));
    QCOMPARE(h.failed.isEmpty() ? QString::number(h.result().size) : h.outcome(),
             outcome.startsWith("The") ? ConnectError.arg(cause) : outcome);
    // The digest files beside the file are asked through the proxy too.
    QTRY_VERIFY(!h.failed.isEmpty() || squid.requests().size() > 1);
}

// The size, the time and the REST answer are all awaited, in the order the burst asks them.
void tst_Probe::ftpReplies_data()
{
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<QString>("outcome"); // "%1" is the server's port
    QTest::addColumn<QByteArray>("time");

    const QByteArray in = "220 FTPd 1.3.500 ready (550 slots)\r\n331 Send password\r\n230 In\r\n"
                          "200 Binary\r\n";
    const QString found = QStringLiteral("127.0.0.1:%1/dir/f%2Ebin|f|4321|");
    QTest::newRow("time and REST") << in + "213 4321 bytes\r\n213 20261207021900\r\n350 Ok\r\n"
                                   << found + "ranges" << QByteArray("20261207021900");
    QTest::newRow("REST refused, one pack") << in + "213 4321\r\n550 No\r\n502 No\r\n"
                                            << found + "whole" << QByteArray();
    QTest::newRow("REST refused, many packs") << in + "213 3000000\r\n550 No\r\n502 No\r\n"
                                              << FtpUnusable << QByteArray();
    QTest::newRow("size without a number") << in + "213 unknown\r\n" << FtpUnusable << QByteArray();
    QTest::newRow("no size in time") << in << NotAFile << QByteArray();
}

void tst_Probe::ftpReplies()
{
    QFETCH(QByteArray, replies);
    QFETCH(QString, outcome);
    SilentServer server(replies);
    Harness h({10000, 300});

    QVERIFY(h.run("ftp://" + server.url("dir/f%2Ebin"))); // the server is asked for "f.bin"

    QCOMPARE(h.outcome(), outcome.contains("%1") ? outcome.arg(server.serverPort()) : outcome);
    QTEST(h.result().validators.modified, "time");
    QTRY_VERIFY(
        server.received().endsWith("SIZE /dir/f.bin\r\nMDTM /dir/f.bin\r\nREST 10\r\nQUIT\r\n"));
}

// A URL handed in while a probe runs, or while the owner deals with a success, waits its turn.
// A name taken by a project folder, or in the download folder by an entry of the name of the
// receive folder, of the finished file or of the joined file, gets a suffix.
void tst_Probe::urlHandedInMeanwhileWaitsAndTakenNamesGetSuffixes()
{
    NginxServer nginx(m_root.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;
    QVERIFY(QDir().mkpath(h.store.paths().projectFolder("setup")));
    QVERIFY(QDir().mkpath(h.settings.filePath() + "Real"));

    h.probe.start(nginx.url("missing.bin"));
    h.probe.start(nginx.url("dir/setup.exe"));
    QVERIFY(h.run(nginx.url("files/Real.Name.bin"), 2));
    QCOMPARE(h.outcome(), NotAFile);
    QCOMPARE(h.result(0).url, nginx.url("dir/setup.exe"));
    QCoreApplication::processEvents();
    QCOMPARE(h.statuses.count(), 4);
    QCOMPARE(h.statuses.last().at(0).toString(), QStringLiteral("Nothing to do"));
    h.probe.resultHandled();
    QTRY_COMPARE(h.succeeded.count(), 2);
    QCOMPARE(h.result(1).url, nginx.url("files/Real.Name.bin"));
    QVERIFY2(h.result(0).projectName.startsWith("setup_"), qPrintable(h.result(0).projectName));
    QVERIFY2(h.result(1).projectName.startsWith("Real_"), qPrintable(h.result(1).projectName));
    QVERIFY(TestFiles::writeFile(h.settings.filePath() + "user.zip", "mine"));
    QVERIFY(TestFiles::writeFile(h.settings.filePath() + "joined.qfd", "mine"));
    for (const QString name : {"user.zip", "joined.bin"}) {
        h.probe.resultHandled();
        QVERIFY(h.run(nginx.url("files/" + name), h.succeeded.count() + 2));
        const QString project = h.result(h.succeeded.count() - 1).projectName;
        QVERIFY2(project.startsWith(name.section('.', 0, 0) + '_'), qPrintable(project));
    }
}

// The login of the URL, of the login box or of ~/.netrc goes with every request, with what the
// browser handed over; the project keeps the first two only, the box's when it is to be
// remembered. A ~/.netrc others can read is refused, and a redirect to another host takes
// neither the login nor the cookies along.
void tst_Probe::loginsAndTheBrowsersHeaders()
{
    NginxServer nginx(m_root.path(),
                      {.serverLines = {"location = /hop { return 302 https://localhost:$server_port"
                                       "/dir/setup.exe; }"},
                       .tls = NginxOptions::Tls::TestAuthority,
                       .logins = {{"/dir/", "anna", "se:cret"}}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    Harness h;
    h.settings.setTestCaFile(nginx.caFile());
    h.probe.setSeeksDigest(false); // the file's requests alone
    QSignalSpy asked(&h.probe, &Probe::loginRequested);
    const QString url = nginx.url("dir/setup.exe");
    const QString server = url.section(u'/', 2, 2);
    const BrowserHeaders browser{"s=1", "https://127.0.0.1/page", "UA/1"};
    const Login anna{"anna", "se:cret"};

    h.probe.start("https://anna:se%3Acret@" + server + "/dir/setup.exe", browser);
    QTRY_COMPARE(h.succeeded.count(), 1);
    QCOMPARE(h.result().url, url);
    QCOMPARE(h.result().access, (ProjectAccess{anna, browser}));
    h.probe.resultHandled();
    h.probe.start(url);
    QTRY_COMPARE(asked.count(), 1);
    h.probe.logIn({"anna", "wrong"}, true);
    QTRY_COMPARE(asked.count(), 2);
    const QString asks = "The server " + server + " asks for a user name and a password.";
    QCOMPARE(asked.at(0), (QVariantList{asks, "Login", ""}));
    QCOMPARE(asked.at(1).at(0), "The server " + server + " refused the user name and password.");
    h.probe.logIn(anna, false);
    QTRY_COMPARE(h.succeeded.count(), 2);
    QCOMPARE(h.result(1).loginThisRun, anna);
    QVERIFY(h.result(1).access.isEmpty());
    h.probe.resultHandled();
    const QString netrc = m_root.filePath("home/.netrc");
    QVERIFY(TestFiles::writeFile(netrc, "default login x password y\nmachine 127.0.0.1 login anna "
                                        "password \"se:cret\"\n"));
    QVERIFY(QFile::setPermissions(netrc, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(h.run(url, 3));
    QVERIFY(h.result(2).access.isEmpty());
    h.probe.resultHandled();
    QVERIFY(QFile::setPermissions(netrc, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    QVERIFY(h.run(url, 4));
    QCOMPARE(h.outcome(), QString("The login for 127.0.0.1 in the file %1 is not used: other users "
                                  "can read that file !\r\nMake it private with: chmod 600 %1")
                              .arg(netrc));
    QVERIFY(QFile::remove(netrc));
    h.probe.start("https://anna:se%3Acret@" + server + "/hop", browser);
    QTRY_COMPARE(asked.count(), 3);

    QTRY_COMPARE(nginx.requests().size(), 7);
    QStringList sent; // per request: target, Basic login, cookie, referer, user agent
    for (const NginxServer::Request &request : nginx.requests())
        sent << QStringList{request.target,
                            QByteArray::fromBase64(request.authorization.mid(6).toLatin1()),
                            request.cookie, request.referer, request.userAgent}
                    .join(u'|');
    const QString page = "|s=1|https://127.0.0.1/page|UA/1";
    const QString ours = "|||Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)";
    const QString file = "/dir/setup.exe|", login = "anna:se:cret";
    QCOMPARE(sent, (QStringList{file + login + page, file + ours, file + "anna:wrong" + ours,
                                file + login + ours, file + login + ours, "/hop|" + login + page,
                                file + "||https://127.0.0.1/page|UA/1"}));
}

// Ranges are supported exactly when a file is answered with 206.
void tst_Probe::httpVerdict_data()
{
    using Kind = HttpVerdict::Kind;
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<qint64>("size");

    const QByteArray partial = "HTTP/1.1 206 Partial Content\r\nContent-Type: application/zip\r\n";
    const QByteArray whole = "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\n";
    QTest::newRow("206 size is the range total, not the part sent")
        << partial + "Content-Length: 100\r\nContent-Range: bytes 0-99/3000000000" << Kind::File
        << qint64(3000000000);
    QTest::newRow("after 100 Continue and 103 Early Hints")
        << "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Hints\r\n\r\n" + whole + "Content-Length: 9"
        << Kind::File << qint64(9);
    QTest::newRow("206 without a byte")
        << partial + "Content-Length: 0\r\nContent-Range: bytes 0-99/3000" << Kind::Unusable
        << qint64(0);
    QTest::newRow("206 unknown total")
        << partial + "Content-Length: 100\r\nContent-Range: bytes 0-99/*" << Kind::Unusable
        << qint64(0);
    QTest::newRow("200 fills one pack")
        << whole + "Content-Length: 512000" << Kind::File << qint64(512000);
    QTest::newRow("200 over one pack")
        << whole + "Content-Length: 512001" << Kind::Unusable << qint64(0);
    QTest::newRow("two lengths that differ")
        << whole + "Content-Length: 9\r\nContent-Length: 10" << Kind::Unusable << qint64(0);
    QTest::newRow("410 is not found")
        << QByteArray("HTTP/1.1 410 Gone") << Kind::NotAFile << qint64(0);
    QTest::newRow("web page")
        << QByteArray("HTTP/1.1 206 Partial\r\nContent-Type: text/html\r\nContent-Length: 9")
        << Kind::NotAFile << qint64(0);
    QTest::newRow("no content type")
        << QByteArray("HTTP/1.1 206 Partial\r\nContent-Length: 12") << Kind::Unusable << qint64(0);
    QTest::newRow("length beyond 64 bits")
        << partial + "Content-Length: 99999999999999999999" << Kind::Unusable << qint64(0);
}

void tst_Probe::httpVerdict()
{
    QFETCH(QByteArray, header);
    QFETCH(HttpVerdict::Kind, kind);

    HttpAnswer answer;
    answer.append(header + "\r\n\r\n");
    const HttpVerdict verdict = judgeHttpAnswer(answer, 512000);
    QCOMPARE(verdict.kind, kind);
    QTEST(verdict.size, "size");
    QCOMPARE(verdict.rangeSupported, kind == HttpVerdict::Kind::File && header.contains(" 206 "));
}

QTEST_GUILESS_MAIN(tst_Probe)
#include "tst_Probe.moc"
