#include "CliRig.h"
#include "NginxServer.h"
#include "TestFiles.h"
#include "TestHome.h"

#include "store/ProjectPaths.h"
#include "store/ProjectRecord.h"
#include "store/ProjectStore.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/inotify.h>
#include <unistd.h>

using namespace CliRig;

constexpr qint64 PackSize = 512000;

// `quillfetch-cli URL` and `quillfetch-cli run` as a user runs them, stopped in every way and
// started again: the real executable, a throw-away home and a real nginx serving the files.
class tst_CliRun final : public QObject
{
    Q_OBJECT

private slots:
    void urlAloneRunsTheWholeQueue();
    void stoppedRunsAreRecorded_data();
    void stoppedRunsAreRecorded();
    void killedRunsEndWithTheSameFile_data();
    void killedRunsEndWithTheSameFile();
};

// The URL's project runs after the one already queued; a project whose record cannot be read is
// named, kept and fails the run. From the add to the end no other instance starts: the lock file,
// the only file ever removed from the data folder, stays in place.
void tst_CliRun::urlAloneRunsTheWholeQueue()
{
    TestHome home;
    QTemporaryDir served;
    const QByteArray one = TestFiles::randomBytes(1'300'000, 1);
    const QByteArray two = TestFiles::randomBytes(700'001, 2);
    QVERIFY(TestFiles::writeFile(served.filePath("one.bin"), one));
    QVERIFY(TestFiles::writeFile(served.filePath("two.bin"), two));
    NginxServer nginx(served.path(), {500'000, 64000, {}}); // a second per pack
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    const ProjectPaths paths(home.dataFolder());
    const QByteArray broken = ProjectRecord().toText().replace("Type:0\r\n", "");
    QVERIFY(TestFiles::writeFile(paths.recordPath("p"), broken));
    QVERIFY(TestFiles::writeFile(paths.mainListPath(), "p\r\n"));
    QVERIFY(queue(home, "one", nginx.url("one.bin"), 1'300'000));
    const int removals = inotify_init1(IN_NONBLOCK);
    QVERIFY(inotify_add_watch(removals, qPrintable(home.dataFolder()), IN_DELETE) >= 0);

    QProcess process;
    QVERIFY(start(process, home, {"http://" + nginx.url("two.bin")}));
    QTRY_VERIFY_WITH_TIMEOUT(bytesIn(receiveFolderOf(home, "one")) > 0, FinishTimeoutMs);
    const Outcome second = run(home, {"run"});
    QCOMPARE(second.err, "Quillfetch is already running: close it first.\n");
    char event[sizeof(inotify_event) + NAME_MAX + 1];
    QCOMPARE(::read(removals, event, sizeof event), ssize_t(-1));
    ::close(removals);
    const Outcome outcome = finish(process);
    QVERIFY(outcome.ended);
    QCOMPARE(outcome.exitCode, 1);
    QCOMPARE(outcome.err, "Unable to read the file " + paths.recordPath("p") + " !\n");

    QVERIFY2(QRegularExpression("^two\n.*%.*one: complete\n.*two: complete\n$",
                                QRegularExpression::DotMatchesEverythingOption)
                 .match(outcome.out)
                 .hasMatch(),
             qPrintable(outcome.out));
    QVERIFY(!outcome.out.contains('\r')); // not a terminal: plain lines, never rewritten in place
    QCOMPARE(TestFiles::sha256OfFile(downloadFolderOf(home) + "one.bin"), TestFiles::sha256(one));
    QCOMPARE(TestFiles::sha256OfFile(downloadFolderOf(home) + "two.bin"), TestFiles::sha256(two));
    ProjectStore store(home.dataFolder());
    store.load();
    QCOMPARE(store.finished().size(), 2);
    QCOMPARE(readAll(paths.recordPath("p")), broken);

    // What the statistics window shows of a finished project; a name that is none.
    const QString shown =
        "^Project name: one\nProject URL: " + QRegularExpression::escape(nginx.url("one.bin")) +
        "\nProject size: 1.27 Mb\nDownload time: \\d\\d:\\d\\d:\\d\\d\n"
        "(\\w+ download speed: .* \\| .*\n){3}Snapshots: \\d+\n$";
    QVERIFY(QRegularExpression(shown).match(run(home, {"stats", "one"}).out).hasMatch());
    const Outcome unknown = run(home, {"stats", "three"});
    QCOMPARE(unknown.exitCode, 1);
    QCOMPARE(unknown.err, "There is no project named three.\n");
}

void tst_CliRun::stoppedRunsAreRecorded_data()
{
    QTest::addColumn<int>("signalNumber"); // sent once data arrives, 0 for none
    QTest::addColumn<QString>("host");     // nginx's when empty
    QTest::addColumn<bool>("blocked");     // the download folder lies under a plain file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("begun"); // packs
    QTest::addColumn<QString>("message");
    const QString recorded = ": the download was recorded and continues at the next run.\n";
    // A label this long is refused before any name server is asked: nothing leaves the machine.
    const QString unknownHost = QString(64, u'a') + ".invalid";
    QTest::newRow("SIGTERM") << SIGTERM << QString() << false << 130 << 3
                             << "Terminated" + recorded;
    QTest::newRow("SIGINT") << SIGINT << QString() << false << 130 << 3 << "Interrupted" + recorded;
    QTest::newRow("lost connection")
        << 0 << unknownHost << false << 2 << 3
        << "Error: Please check your Internet connection and then click on the resume button !";
    QTest::newRow("unwritable folder") << 0 << QString() << true << 1 << 1 << "Error: Unable to";
}

// Nobody can press "Resume" for the runner: a stop signal, a lost connection or a failed write
// ends it with the message, and the download is recorded as closing does (each slot's pack
// begun, the elapsed time saved), for the next run to resume it as after a kill.
void tst_CliRun::stoppedRunsAreRecorded()
{
    QFETCH(int, signalNumber);
    QFETCH(QString, host);
    QFETCH(bool, blocked);
    QFETCH(int, exitCode);
    QFETCH(int, begun);
    QFETCH(QString, message);
    const qint64 size = 1'300'000; // 3 packs: slot 4 stays idle
    TestHome home;
    QTemporaryDir served;
    QVERIFY(TestFiles::writeFile(served.filePath("f.bin"), TestFiles::randomBytes(size, 3)));
    NginxServer nginx(served.path(), {64000, 64000, {}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    const QString blocker = downloadFolderOf(home).chopped(1);
    QVERIFY(!blocked || TestFiles::writeFile(blocker, "not a folder"));
    QVERIFY(queue(home, "f", host.isEmpty() ? nginx.url("f.bin") : host + "/f.bin", size));

    QProcess first;
    QVERIFY(start(first, home, {"run"}));
    if (signalNumber != 0) {
        QTRY_VERIFY_WITH_TIMEOUT(bytesIn(receiveFolderOf(home, "f")) > 0, FinishTimeoutMs);
        QCOMPARE(::kill(pid_t(first.processId()), signalNumber), 0);
    }
    const Outcome stopped = finish(first);
    QVERIFY(stopped.ended);
    QCOMPARE(stopped.exitCode, exitCode);
    QVERIFY2(stopped.err.contains(message), qPrintable(stopped.err));
    QCOMPARE(packLogLines(home, "f"), packLogOf(home, "f", begun, ":0"));
    QVERIFY(QFileInfo::exists(ProjectPaths(home.dataFolder()).elapsedPath("f")));
    QCOMPARE(ProjectStore(home.dataFolder()).record("f").value().status,
             int(ProjectRecord::Running));
}

void tst_CliRun::killedRunsEndWithTheSameFile_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("rate");         // nginx's, bytes per second per connection
    QTest::addColumn<QList<int>>("killedAt"); // percent of the size in the receive folder
    QTest::newRow("downloading") << qint64(4'500'000) << qint64(1'000'000) << QList{12, 47, 81};
    // Over the size: the joined file's work copy is on disk beside the pieces.
    QTest::newRow("joining") << qint64(64 * 1024 * 1024) << qint64(0) << QList{101};
}

// SIGKILL at any moment loses at most the packs in flight: no run asks again for a pack that
// the pack log holds complete, and the last run ends with the same file. nginx is restarted
// between runs, so that its access log holds exactly the requests of one run.
void tst_CliRun::killedRunsEndWithTheSameFile()
{
    QFETCH(qint64, size);
    QFETCH(qint64, rate);
    QFETCH(QList<int>, killedAt);
    const qint64 packs = (size + PackSize - 1) / PackSize;
    TestHome home;
    QTemporaryDir served;
    const QByteArray bytes = TestFiles::randomBytes(size, 5);
    QVERIFY(TestFiles::writeFile(served.filePath("big.bin"), bytes));
    NginxServer nginx(served.path(), {rate, 64000, {}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(queue(home, "big", nginx.url("big.bin"), size, PackSize));

    const QString receiveFolder = receiveFolderOf(home, "big");
    for (qsizetype run = 0; run <= killedAt.size(); ++run) {
        const QStringList logged = packLogLines(home, "big");
        QProcess process;
        QVERIFY(start(process, home, {"run"}));
        if (run < killedAt.size()) {
            QTRY_VERIFY_WITH_TIMEOUT(bytesIn(receiveFolder) >= size * killedAt.at(run) / 100,
                                     FinishTimeoutMs);
            process.kill();
            QVERIFY(process.waitForFinished());
            QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        } else {
            const Outcome last = finish(process);
            QVERIFY2(last.ended && last.exitCode == 0, qPrintable(last.err));
        }
        nginx.stop();
        for (const NginxServer::Request &request : nginx.requests()) {
            const QString from = request.range.section(u'=', 1).section(u'-', 0, 0);
            const qint64 pack = from.toLongLong() / PackSize;
            QVERIFY2(!logged.contains(ProjectPaths::piecePath(receiveFolder, "big", pack) + ":1"),
                     qPrintable(request.range));
        }
        nginx.clearAccessLog();
        QVERIFY2(nginx.restart(), qPrintable(nginx.errorString()));
    }

    QCOMPARE(TestFiles::sha256OfFile(downloadFolderOf(home) + "big.bin"), TestFiles::sha256(bytes));
    QCOMPARE(packLogLines(home, "big"), packLogOf(home, "big", packs, ":1"));
}

QTEST_GUILESS_MAIN(tst_CliRun)
#include "tst_CliRun.moc"
