#include "CliRig.h"
#include "FtpServer.h"
#include "NginxServer.h"
#include "TestFiles.h"
#include "TestHome.h"

#include "store/ProjectPaths.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace CliRig;

// What quillfetch-cli answers to its arguments, and `quillfetch-cli add URL` as a user runs it:
// the real executable on a throw-away home, against nginx and an FTP server.
class tst_CliAdd final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void answers_data();
    void answers();
    void addsAProject_data();
    void addsAProject();

private:
    QTemporaryDir m_served;
    NginxServer m_nginx{m_served.path(),
                        {0,
                         0,
                         {"location = /start { absolute_redirect off; return 302 "
                          "/files/setup.exe; }"}}};
    FtpServer m_ftp{m_served.path()};
};

void tst_CliAdd::initTestCase()
{
    QVERIFY(TestFiles::writeFile(m_served.filePath("files/setup.exe"),
                                 TestFiles::randomBytes(1'300'000, 21)));
    QVERIFY2(m_nginx.start() && m_ftp.start(),
             qPrintable(m_nginx.errorString() + m_ftp.errorString()));
}

void tst_CliAdd::answers_data()
{
    QTest::addColumn<QStringList>("arguments"); // %1: nginx's host and port
    QTest::addColumn<bool>("readOnly");         // the data folder is a read-only mount
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // patterns
    QTest::addColumn<QString>("err"); // %1: the data folder
    const QString usage = "\n\nUsage: ";
    const QString wrongCommand = "^quillfetch-cli: Unknown command or wrong arguments: ";
    const QString notAFile = "^Error: File not found or the URL don't point on a file !\n$";
    QTest::newRow("--help") << QStringList{"--help"} << false << 0
                            << "^Usage: .*quillfetch-cli \\[options\\].*\n  add URL +probe URL "
                               "and queue it as a new project\n  stats NAME +show"
                            << "^$";
    QTest::newRow("--version") << QStringList{"-v"} << false << 0
                               << "^quillfetch-cli \\d+\\.\\d+\\.\\d+\n$"
                               << "^$";
    QTest::newRow("unknown option") << QStringList{"--fast"} << false << 2 << "^$"
                                    << "^quillfetch-cli: Unknown option 'fast'." + usage;
    QTest::newRow("no command") << QStringList{} << false << 2 << "^$"
                                << "^quillfetch-cli: No command given." + usage;
    QTest::newRow("unknown command")
        << QStringList{"fetch"} << false << 2 << "^$" << wrongCommand + "fetch" + usage;
    QTest::newRow("run with an argument")
        << QStringList{"run", "extra"} << false << 2 << "^$" << wrongCommand + "run extra" + usage;
    QTest::newRow("empty queue") << QStringList{"run"} << false << 0
                                 << "^Every project is complete.\n$"
                                 << "^$";
    QTest::newRow("404") << QStringList{"add", "%1/missing.zip"} << false << 1 << "^$" << notAFile;
    QTest::newRow("404, URL alone: nothing runs")
        << QStringList{"%1/missing.zip"} << false << 1 << "^$" << notAFile;
    QTest::newRow("read-only data folder")
        << QStringList{"add", "%1/files/setup.exe"} << true << 1 << "^$"
        << "^Unable to write the file %1quillfetch.lock !\n$";
}

void tst_CliAdd::answers()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, readOnly);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    TestHome home;
    if (readOnly && QProcess::execute("mount", {"-t", "tmpfs", "-o", "ro,size=64k", "tmpfs",
                                                home.dataFolder()}) != 0)
        QSKIP("mounting a read-only tmpfs needs root");
    auto unmount = qScopeGuard([&] {
        if (readOnly)
            QProcess::execute("umount", {home.dataFolder()});
    });
    arguments.replaceInStrings("%1", "127.0.0.1:" + QString::number(m_nginx.port()));

    const Outcome outcome = run(home, arguments);

    QVERIFY(outcome.ended);
    QCOMPARE(outcome.exitCode, exitCode);
    const auto matches = [](const QString &text, const QString &pattern) {
        return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)
            .match(text)
            .hasMatch();
    };
    QVERIFY2(matches(outcome.out, out), qPrintable(outcome.out));
    QVERIFY2(matches(outcome.err, err.replace("%1", QRegularExpression::escape(home.dataFolder()))),
             qPrintable(outcome.err));
    if (exitCode != 0)
        QCOMPARE(readAll(ProjectPaths(home.dataFolder()).mainListPath()), QByteArray());
}

void tst_CliAdd::addsAProject_data()
{
    QTest::addColumn<bool>("ftp"); // else HTTP through a redirect
    QTest::newRow("HTTP") << false;
    QTest::newRow("FTP") << true;
}

// The record holds the URL after redirects, the size, the settings' options and the protocol.
void tst_CliAdd::addsAProject()
{
    QFETCH(bool, ftp);
    const QString url = ftp ? m_ftp.url("files/setup.exe") : "http://" + m_nginx.url("start");
    const QString stored =
        ftp ? m_ftp.url("files/setup.exe").mid(6) : m_nginx.url("files/setup.exe");
    TestHome home;
    const ProjectPaths paths(home.dataFolder());

    const Outcome outcome = run(home, {"add", url});

    QVERIFY(outcome.ended);
    QCOMPARE(outcome.err, QString());
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.out, "setup\n");
    QCOMPARE(readAll(paths.recordPath("setup")),
             "url:" + stored.toUtf8() +
                 "\r\nbytes:1300000\r\npath:" + paths.defaultDownloadFolder().toUtf8() +
                 "\r\npacksize:512000\r\nshowmodem:1\r\nbar1back:16777215\r\nbar1for:255\r\n"
                 "bar2back:16777215\r\nbar2for:8421631\r\ngraphback:16777215\r\n"
                 "graphfor:8421631\r\ngraphmodem:0\r\nType:" +
                 (ftp ? "1" : "0") + "\r\nstatus:1\r\n");
    QCOMPARE(readAll(paths.mainListPath()), "setup\r\n");
}

QTEST_GUILESS_MAIN(tst_CliAdd)
#include "tst_CliAdd.moc"
