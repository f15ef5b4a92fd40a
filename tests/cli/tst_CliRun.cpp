#include "CliRig.h"
#include "NginxServer.h"
#include "TestFiles.h"
#include "TestHome.h"

#include "platform/SingleInstance.h"
#include "store/ProjectPaths.h"
#include "store/ProjectRecord.h"
#include "store/ProjectStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

// `quillfetch-cli run` as a user runs it: the real executable, a throw-away data folder and
// settings, projects queued in the data folder and a real nginx serving the files.
class tst_CliRun final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void downloadsEveryQueuedProject();
    void unreadableDataIsReported_data();
    void unreadableDataIsReported();
    void refusesWhileQuillfetchRuns();
    void stopSignalRecordsTheDownload_data();
    void stopSignalRecordsTheDownload();
    void unwritableDownloadFolderEndsWithTheMessage();

private:
    struct Source
    {
        QString fileName;
        QByteArray bytes;
    };
};

using namespace CliRig;

void tst_CliRun::initTestCase()
{
    QVERIFY2(QFileInfo(binary()).isExecutable(), qPrintable(binary()));
}

void tst_CliRun::downloadsEveryQueuedProject()
{
    TestHome home;
    QTemporaryDir served;
    const QList<Source> sources = {{"one.bin", TestFiles::randomBytes(1'300'000, 1)},
                                   {"two.bin", TestFiles::randomBytes(700'001, 2)}};
    for (const Source &source : sources)
        QVERIFY(TestFiles::writeFile(served.filePath(source.fileName), source.bytes));
    NginxServer nginx(served.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(queue(home, "one", nginx.url("one.bin"), 1'300'000, downloadFolderOf(home)));
    QVERIFY(queue(home, "two", nginx.url("two.bin"), 700'001, downloadFolderOf(home)));

    QProcess process;
    QVERIFY(start(process, home, {"run"}));
    QVERIFY(endedByItself(process));
    const QByteArray out = process.readAllStandardOutput();
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

    for (const Source &source : sources) {
        const QString path = ProjectPaths::finalFilePath(downloadFolderOf(home), source.fileName);
        QCOMPARE(TestFiles::sha256OfFile(path).toHex(), TestFiles::sha256(source.bytes).toHex());
    }
    ProjectStore store(home.dataFolder());
    store.load();
    QCOMPARE(store.finished().size(), 2);
    QCOMPARE(store.record("one")->status, int(ProjectRecord::Finished));
    QCOMPARE(store.record("two")->status, int(ProjectRecord::Finished));
    QVERIFY(out.contains("one: complete\n"));
    QVERIFY(out.indexOf("one: complete") < out.indexOf("two: complete"));
    // Not a terminal: plain lines, never rewritten in place.
    QVERIFY(out.contains("%"));
    QVERIFY(!out.contains('\r'));

    // What the statistics window shows of a finished project; a name that is none.
    const QString shown =
        "^Project name: one\nProject URL: " + QRegularExpression::escape(nginx.url("one.bin")) +
        "\nProject size: 1.27 Mb\nDownload time: \\d\\d:\\d\\d:\\d\\d\n"
        "(\\w+ download speed: .* \\| .*\n){3}Snapshots: \\d+\n$";
    for (const QString name : {"one", "three"}) {
        QProcess stats;
        QVERIFY(start(stats, home, {"stats", name}));
        QVERIFY(endedByItself(stats));
        QCOMPARE(stats.exitCode(), name == "one" ? 0 : 1);
        const QString text = stats.readAllStandardOutput() + stats.readAllStandardError();
        QVERIFY2(name == "one" ? QRegularExpression(shown).match(text).hasMatch()
                               : text == "There is no project named three.\n",
                 qPrintable(text));
    }
}

// Nothing to do ends at once and well; what cannot be read is named, kept, and fails the run.
void tst_CliRun::unreadableDataIsReported_data()
{
    QTest::addColumn<QByteArray>("mainList");
    QTest::addColumn<QByteArray>("record"); // of the project "p"
    QTest::addColumn<QString>("unreadable");
    const QByteArray good = ProjectRecord().toText();
    QTest::newRow("empty queue") << QByteArray() << QByteArray() << QString();
    QTest::newRow("garbage list") << QByteArray("\x01\xff\xfe\r\n") << QByteArray()
                                  << "projects/main.qfd";
    QTest::newRow("record lacks a line")
        << QByteArray("p\r\n") << QByteArray(good).replace("Type:0\r\n", "")
        << "projects/p/project.qfd";
    QTest::newRow("negative size")
        << QByteArray("p\r\n") << QByteArray(good).replace("bytes:0", "bytes:-5")
        << "projects/p/project.qfd";
    QTest::newRow("unknown status")
        << QByteArray("p\r\n") << QByteArray(good).replace("status:1", "status:9")
        << "projects/p/project.qfd";
}

void tst_CliRun::unreadableDataIsReported()
{
    QFETCH(QByteArray, mainList);
    QFETCH(QByteArray, record);
    QFETCH(QString, unreadable);
    TestHome home;
    const QString projects = ProjectPaths(home.dataFolder()).projectsFolder();
    if (!mainList.isEmpty())
        QVERIFY(TestFiles::writeFile(projects + "main.qfd", mainList));
    if (!record.isEmpty())
        QVERIFY(TestFiles::writeFile(projects + "p/project.qfd", record));

    QProcess process;
    QVERIFY(start(process, home, {"run"}));
    QVERIFY(endedByItself(process));
    const QByteArray errors = process.readAllStandardError();
    if (unreadable.isEmpty()) {
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(QFileInfo::exists(projects));
        return;
    }
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(errors,
             "Unable to read the file " + (home.dataFolder() + unreadable).toUtf8() + " !\n");
    QCOMPARE(readAll(projects + "main.qfd"), mainList);
    QCOMPARE(readAll(projects + "p/project.qfd"), record);
}

void tst_CliRun::refusesWhileQuillfetchRuns()
{
    TestHome home;
    SingleInstance running(home.dataFolder());
    QVERIFY(running.acquire());
    QProcess process;
    QVERIFY(start(process, home, {"run"}));
    QVERIFY(endedByItself(process));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().contains("Quillfetch is already running"));
}

void tst_CliRun::stopSignalRecordsTheDownload_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

// A slowed server keeps every pack in flight when the signal comes: each slot's pack is
// recorded as begun (":0") and the elapsed time is saved, as closing the main window does.
void tst_CliRun::stopSignalRecordsTheDownload()
{
    QFETCH(int, signalNumber);
    TestHome home;
    QTemporaryDir served;
    const qint64 size = 4'000'000;
    QVERIFY(TestFiles::writeFile(served.filePath("slow.bin"), TestFiles::randomBytes(size, 3)));
    NginxServer nginx(served.path(), {64000, 64000, {}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(queue(home, "slow", nginx.url("slow.bin"), size, downloadFolderOf(home)));

    QProcess process;
    QVERIFY(start(process, home, {"run"}));
    const QString receiveFolder = ProjectPaths::receiveFolder(downloadFolderOf(home), "slow");
    QTRY_VERIFY_WITH_TIMEOUT(bytesIn(receiveFolder) > 0, FinishTimeoutMs);
    QCOMPARE(::kill(pid_t(process.processId()), signalNumber), 0);
    QVERIFY(endedByItself(process));
    QCOMPARE(process.exitCode(), 130);

    const ProjectPaths paths(home.dataFolder());
    const QStringList lines = QString::fromUtf8(readAll(paths.packLogPath("slow")))
                                  .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const QRegularExpression begun('^' + QRegularExpression::escape(receiveFolder) +
                                   QStringLiteral(R"(slow\([0-7]\)\.qfd:0$)"));
    QCOMPARE(lines.size(), 4);
    for (const QString &line : lines)
        QVERIFY2(begun.match(line).hasMatch(), qPrintable(line));
    QVERIFY(QFileInfo::exists(paths.elapsedPath("slow")));
    QCOMPARE(ProjectStore(home.dataFolder()).record("slow")->status, int(ProjectRecord::Running));
}

// The download folder lies under a plain file, so no piece can be written: the user reads the
// engine's message and the runner does not hang.
void tst_CliRun::unwritableDownloadFolderEndsWithTheMessage()
{
    TestHome home;
    QTemporaryDir served;
    QVERIFY(TestFiles::writeFile(served.filePath("lost.bin"), TestFiles::randomBytes(1000, 4)));
    NginxServer nginx(served.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(TestFiles::writeFile(home.root() + "blocker", "not a folder"));
    QVERIFY(queue(home, "lost", nginx.url("lost.bin"), 1000, home.root() + "blocker/downloads/"));

    QProcess process;
    QVERIFY(start(process, home, {"run"}));
    QVERIFY(endedByItself(process));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().contains("Error: Unable to"));
}

QTEST_GUILESS_MAIN(tst_CliRun)
#include "tst_CliRun.moc"
