#include "CliRig.h"
#include "FtpServer.h"
#include "NginxServer.h"
#include "TestFiles.h"
#include "TestHome.h"

#include "platform/SingleInstance.h"
#include "store/ProjectPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace CliRig;

namespace {

struct Outcome
{
    bool ended = false; // by itself, within the time limit
    int exitCode = -1;
    QString out;
    QString err;
};

QByteArray expectedRecord(const QString &url, qint64 bytes, const QString &folder, bool ftp)
{
    return "url:" + url.toUtf8() + "\r\nbytes:" + QByteArray::number(bytes) +
           "\r\npath:" + folder.toUtf8() +
           "\r\npacksize:512000\r\nshowmodem:1\r\nbar1back:16777215\r\nbar1for:255\r\n"
           "bar2back:16777215\r\nbar2for:8421631\r\ngraphback:16777215\r\ngraphfor:8421631\r\n"
           "graphmodem:0\r\nType:" +
           (ftp ? "1" : "0") + "\r\nstatus:1\r\n";
}

// Serves root over HTTP with a redirect and a folder without ranges.
NginxServer::Options nginxOptions()
{
    return {0,
            0,
            {"location = /start { absolute_redirect off; return 302 /files/setup.exe; }",
             "location /whole/ { max_ranges 0; }"}};
}

} // namespace

// `quillfetch-cli add URL` and `quillfetch-cli URL` as a user runs them: the real executable on
// a throw-away home, against nginx and an FTP server.
class tst_CliAdd final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void addsAProject_data();
    void addsAProject();
    void refusals_data();
    void refusals();
    void refusesWhileTheDataFolderIsTaken_data();
    void refusesWhileTheDataFolderIsTaken();
    void urlAloneAddsThenDownloads();
    void conventions_data();
    void conventions();

private:
    Outcome run(const TestHome &home, const QStringList &arguments) const;

    QTemporaryDir m_served;
    QByteArray m_setup;
};

void tst_CliAdd::initTestCase()
{
    QVERIFY2(QFileInfo(binary()).isExecutable(), qPrintable(binary()));
    m_setup = TestFiles::randomBytes(1'300'000, 21);
    QVERIFY(TestFiles::writeFile(m_served.filePath("files/setup.exe"), m_setup));
    QVERIFY(TestFiles::writeFile(m_served.filePath("whole/large.bin"),
                                 TestFiles::randomBytes(600000, 23)));
}

Outcome tst_CliAdd::run(const TestHome &home, const QStringList &arguments) const
{
    QProcess process;
    Outcome outcome;
    if (!start(process, home, arguments))
        return outcome;
    outcome.ended = endedByItself(process);
    outcome.exitCode = process.exitCode();
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

void tst_CliAdd::addsAProject_data()
{
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("storedPath"); // after redirects
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("bytes");
    QTest::newRow("HTTP redirect") << false << "start"
                                   << "files/setup.exe"
                                   << "setup" << qint64(1'300'000);
    QTest::newRow("FTP file") << true << "files/setup.exe"
                              << "files/setup.exe"
                              << "setup" << qint64(1'300'000);
}

void tst_CliAdd::addsAProject()
{
    QFETCH(bool, ftp);
    QFETCH(QString, path);
    QFETCH(QString, storedPath);
    QFETCH(QString, name);
    QFETCH(qint64, bytes);
    NginxServer nginx(m_served.path(), nginxOptions());
    FtpServer ftpServer(m_served.path());
    QVERIFY2(ftp ? ftpServer.start() : nginx.start(),
             qPrintable(nginx.errorString() + ftpServer.errorString()));
    const QString url = ftp ? ftpServer.url(path) : "http://" + nginx.url(path);
    const QString stored = ftp ? ftpServer.url(storedPath).mid(6) : nginx.url(storedPath);
    TestHome home;

    const Outcome outcome = run(home, {"add", url});

    QVERIFY(outcome.ended);
    QCOMPARE(outcome.err, QString());
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.out, name + "\n");
    const ProjectPaths paths(home.dataFolder());
    QCOMPARE(readAll(paths.recordPath(name)),
             expectedRecord(stored, bytes, paths.defaultDownloadFolder(), ftp));
    QCOMPARE(readAll(paths.mainListPath()), name.toUtf8() + "\r\n");
}

void tst_CliAdd::refusals_data()
{
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("alone"); // `quillfetch-cli URL`: nothing is run after a failure

    const QString notAFile = "Error: File not found or the URL don't point on a file !\n";
    const QString httpUnusable =
        "Error: Unable to use the high speed download method on this server !\n";
    QTest::newRow("404") << false << "missing.zip" << notAFile << false;
    QTest::newRow("404, URL alone") << false << "missing.zip" << notAFile << true;
    QTest::newRow("without ranges, over one pack")
        << false << "whole/large.bin" << httpUnusable << false;
    QTest::newRow("FTP missing file")
        << true << "missing.zip"
        << "Error: Unable to use the high speed download method on this server or file not "
           "found !\n"
        << false;
}

void tst_CliAdd::refusals()
{
    QFETCH(bool, ftp);
    QFETCH(QString, path);
    QFETCH(QString, message);
    QFETCH(bool, alone);
    NginxServer nginx(m_served.path(), nginxOptions());
    FtpServer ftpServer(m_served.path());
    QVERIFY2(ftp ? ftpServer.start() : nginx.start(),
             qPrintable(nginx.errorString() + ftpServer.errorString()));
    TestHome home;

    const QString url = ftp ? ftpServer.url(path) : nginx.url(path);
    const Outcome outcome = run(home, alone ? QStringList{url} : QStringList{"add", url});

    QVERIFY(outcome.ended);
    QCOMPARE(outcome.exitCode, 1);
    QCOMPARE(outcome.err, message);
    QCOMPARE(outcome.out, QString());
    QCOMPARE(readAll(ProjectPaths(home.dataFolder()).mainListPath()), QByteArray());
}

void tst_CliAdd::refusesWhileTheDataFolderIsTaken_data()
{
    QTest::addColumn<bool>("readOnly"); // else another Quillfetch holds the lock
    QTest::newRow("Quillfetch runs") << false;
    QTest::newRow("read-only data folder") << true;
}

void tst_CliAdd::refusesWhileTheDataFolderIsTaken()
{
    QFETCH(bool, readOnly);
    TestHome home;
    SingleInstance running(home.dataFolder());
    const QString lock = home.dataFolder() + "quillfetch.lock";
    if (readOnly) {
        QVERIFY(QDir().mkpath(home.dataFolder()));
        if (QProcess::execute(
                "mount", {"-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", home.dataFolder()}) != 0)
            QSKIP("mounting a read-only tmpfs needs root");
    } else {
        QVERIFY(running.acquire());
    }
    auto unmount = qScopeGuard([&] {
        if (readOnly)
            QProcess::execute("umount", {home.dataFolder()});
    });

    const Outcome outcome = run(home, {"add", "127.0.0.1:1/f.bin"});

    QVERIFY(outcome.ended);
    QCOMPARE(outcome.exitCode, 1);
    QCOMPARE(outcome.err, readOnly
                              ? "Unable to write the file " + lock + " !\n"
                              : QStringLiteral("Quillfetch is already running: close it first.\n"));
}

void tst_CliAdd::urlAloneAddsThenDownloads()
{
    NginxServer nginx(m_served.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    TestHome home;

    const Outcome outcome = run(home, {"http://" + nginx.url("files/setup.exe")});

    QVERIFY(outcome.ended);
    QCOMPARE(outcome.exitCode, 0);
    QVERIFY2(outcome.out.startsWith("setup\n"), qPrintable(outcome.out));
    QVERIFY2(outcome.out.contains("Every project is complete."), qPrintable(outcome.out));
    const ProjectPaths paths(home.dataFolder());
    QCOMPARE(TestFiles::sha256OfFile(paths.defaultDownloadFolder() + "setup.exe"),
             TestFiles::sha256(m_setup));
}

void tst_CliAdd::conventions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // patterns
    QTest::addColumn<QString>("err");
    QTest::newRow("--help") << QStringList{"--help"} << 0
                            << "^Usage: .*quillfetch-cli \\[options\\].*\n  add URL +probe URL "
                               "and queue it as a new project\n  stats NAME +show"
                            << "^$";
    QTest::newRow("--version") << QStringList{"-v"} << 0 << "^quillfetch-cli \\d+\\.\\d+\\.\\d+\n$"
                               << "^$";
    QTest::newRow("unknown option") << QStringList{"--fast"} << 2 << "^$"
                                    << "^quillfetch-cli: Unknown option 'fast'.\n\nUsage: ";
    const QString wrongCommand = "^quillfetch-cli: Unknown command or wrong arguments: ";
    QTest::newRow("no command") << QStringList{} << 2 << "^$"
                                << "^quillfetch-cli: No command given.\n\nUsage: ";
    QTest::newRow("unknown command")
        << QStringList{"fetch"} << 2 << "^$" << wrongCommand + "fetch\n\nUsage: ";
    QTest::newRow("run with an argument")
        << QStringList{"run", "extra"} << 2 << "^$" << wrongCommand + "run extra\n\nUsage: ";
}

// What every command-line program answers: help, version and a usage error that says what
// was wrong.
void tst_CliAdd::conventions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    TestHome home;

    const Outcome outcome = run(home, arguments);

    QVERIFY(outcome.ended);
    QCOMPARE(outcome.exitCode, exitCode);
    const auto matches = [](const QString &text, const QString &pattern) {
        return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)
            .match(text)
            .hasMatch();
    };
    QVERIFY2(matches(outcome.out, out), qPrintable(outcome.out));
    QVERIFY2(matches(outcome.err, err), qPrintable(outcome.err));
}

QTEST_GUILESS_MAIN(tst_CliAdd)
#include "tst_CliAdd.moc"
