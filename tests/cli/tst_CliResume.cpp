#include "CliRig.h"
#include "NginxServer.h"
#include "TestFiles.h"
#include "TestHome.h"

#include "store/ProjectPaths.h"
#include "store/ProjectRecord.h"
#include "store/ProjectStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

// `quillfetch-cli run` stopped the hard way and started again: killed at any moment, it loses
// at most the packs in flight and never fetches a complete pack again; a lost connection
// records the download and ends, and the next run resumes it.
class tst_CliResume final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedRunsEndWithTheSameFile_data();
    void killedRunsEndWithTheSameFile();
    void killedWhileJoiningEndsWithTheSameFile();
    void lostConnectionEndsAndTheNextRunResumes();
};

using namespace CliRig;

namespace {

constexpr qint64 PackSize = 512000;
QStringList packLogLines(const TestHome &home, const QString &project)
{
    return QString::fromUtf8(readAll(ProjectPaths(home.dataFolder()).packLogPath(project)))
        .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

QString pieceOf(const TestHome &home, const QString &project, qint64 pack)
{
    return ProjectPaths::piecePath(ProjectPaths::receiveFolder(downloadFolderOf(home), project),
                                   project, pack);
}

// The pack log's lines once every pack is complete, sorted.
QStringList allComplete(const TestHome &home, const QString &project, qint64 packs)
{
    QStringList lines;
    for (qint64 pack = 0; pack < packs; ++pack)
        lines << pieceOf(home, project, pack) + QStringLiteral(":1");
    lines.sort();
    return lines;
}

// The packs the pack log holds complete; a torn last line (no CR LF) does not count.
QSet<qint64> completePacks(const TestHome &home, const QString &project, qint64 packs)
{
    const QStringList lines = packLogLines(home, project);
    QSet<qint64> numbers;
    for (qint64 pack = 0; pack < packs; ++pack) {
        if (lines.contains(pieceOf(home, project, pack) + QStringLiteral(":1")))
            numbers.insert(pack);
    }
    return numbers;
}

// The first pack of each range nginx served.
QList<qint64> packsAskedFor(const NginxServer &nginx)
{
    QList<qint64> packs;
    for (const NginxServer::Request &request : nginx.requests()) {
        const QString first = request.range.section(QLatin1Char('='), 1).section(u'-', 0, 0);
        packs << first.toLongLong() / PackSize;
    }
    return packs;
}

} // namespace

void tst_CliResume::initTestCase()
{
    QVERIFY2(QFileInfo(binary()).isExecutable(), qPrintable(binary()));
}

void tst_CliResume::killedRunsEndWithTheSameFile_data()
{
    QTest::addColumn<quint32>("seed");
    for (const quint32 seed : {1u, 2u, 3u})
        QTest::addRow("seed %u", seed) << seed;
}

// Each seed kills the runner with SIGKILL at three moments of its own (by the share of the file
// on disk), then lets a last run finish. nginx is restarted between runs, so that its access
// log holds exactly the requests of one run.
void tst_CliResume::killedRunsEndWithTheSameFile()
{
    QFETCH(quint32, seed);
    const qint64 size = 4'500'000; // 9 packs, the last one short
    const qint64 packs = 9;
    TestHome home;
    QTemporaryDir served;
    const QByteArray bytes = TestFiles::randomBytes(size, seed);
    QVERIFY(TestFiles::writeFile(served.filePath("big.bin"), bytes));
    NginxServer nginx(served.path(), {1'000'000, 64000, {}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(queue(home, "big", nginx.url("big.bin"), size, downloadFolderOf(home), PackSize));
    const QString receiveFolder = ProjectPaths::receiveFolder(downloadFolderOf(home), "big");
    QRandomGenerator random(seed);
    QList<qint64> killPoints;
    for (int kill = 0; kill < 3; ++kill)
        killPoints << size * random.bounded(5, 85) / 100;
    std::sort(killPoints.begin(), killPoints.end());

    for (qsizetype run = 0; run <= killPoints.size(); ++run) {
        const QSet<qint64> complete = completePacks(home, "big", packs);
        QProcess process;
        QVERIFY(start(process, home, {"run"}));
        if (run < killPoints.size()) {
            QTRY_VERIFY_WITH_TIMEOUT(bytesIn(receiveFolder) >= killPoints.at(run) ||
                                         process.state() == QProcess::NotRunning,
                                     FinishTimeoutMs);
            process.kill();
            QVERIFY(process.waitForFinished());
        } else {
            QVERIFY(endedByItself(process));
            QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
        }
        nginx.stop();
        for (const qint64 pack : packsAskedFor(nginx))
            QVERIFY2(!complete.contains(pack), qPrintable(QString::number(pack)));
        nginx.clearAccessLog();
        QVERIFY2(nginx.restart(), qPrintable(nginx.errorString()));
    }

    QCOMPARE(TestFiles::sha256OfFile(downloadFolderOf(home) + "big.bin"), TestFiles::sha256(bytes));
    QStringList lines = packLogLines(home, "big");
    lines.sort();
    QCOMPARE(lines, allComplete(home, "big", packs));
}

// SIGKILL once the joined file's work copy is on disk (the join runs beside the transfer and
// ends after it): the next run joins the pieces again.
void tst_CliResume::killedWhileJoiningEndsWithTheSameFile()
{
    const qint64 size = 64 * 1024 * 1024;
    TestHome home;
    QTemporaryDir served;
    const QByteArray bytes = TestFiles::randomBytes(size, 5);
    QVERIFY(TestFiles::writeFile(served.filePath("join.bin"), bytes));
    NginxServer nginx(served.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(queue(home, "join", nginx.url("join.bin"), size, downloadFolderOf(home), PackSize));
    const QString work =
        ProjectPaths::finalWorkPath(ProjectPaths::receiveFolder(downloadFolderOf(home), "join"));

    QProcess killed;
    QVERIFY(start(killed, home, {"run"}));
    QVERIFY(QTest::qWaitFor(
        [&] { return QFileInfo::exists(work) || killed.state() == QProcess::NotRunning; },
        FinishTimeoutMs));
    killed.kill();
    QVERIFY(killed.waitForFinished());
    QVERIFY(QFileInfo::exists(work)); // killed in the middle of the join
    QProcess again;
    QVERIFY(start(again, home, {"run"}));
    QVERIFY(endedByItself(again));
    QVERIFY2(again.exitCode() == 0, again.readAllStandardError().constData());

    QCOMPARE(TestFiles::sha256OfFile(downloadFolderOf(home) + "join.bin"),
             TestFiles::sha256(bytes));
    QStringList lines = packLogLines(home, "join");
    lines.sort();
    QCOMPARE(lines, allComplete(home, "join", (size + PackSize - 1) / PackSize));
}

// Nobody can press "Resume" for the runner: it prints the message, records the download as
// closing does and exits with 2. With the address put right, the next run resumes it.
void tst_CliResume::lostConnectionEndsAndTheNextRunResumes()
{
    const qint64 size = 1'300'000; // 3 packs: slot 4 stays idle
    TestHome home;
    QTemporaryDir served;
    const QByteArray bytes = TestFiles::randomBytes(size, 9);
    QVERIFY(TestFiles::writeFile(served.filePath("lost.bin"), bytes));
    NginxServer nginx(served.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    // A label this long is refused before any name server is asked: nothing leaves the machine.
    const QString host = QString(64, QLatin1Char('a')) + QStringLiteral(".invalid");
    QVERIFY(queue(home, "lost", host + "/lost.bin", size, downloadFolderOf(home), PackSize));

    QProcess first;
    QVERIFY(start(first, home, {"run"}));
    QVERIFY(endedByItself(first));
    QCOMPARE(first.exitCode(), 2);
    QVERIFY(first.readAllStandardError().contains(
        "Error: Please check your Internet connection and then click on the resume button !"));
    QStringList begun;
    for (qint64 pack = 0; pack < 3; ++pack)
        begun << pieceOf(home, "lost", pack) + QStringLiteral(":0");
    QCOMPARE(packLogLines(home, "lost"), begun);
    const ProjectPaths paths(home.dataFolder());
    QVERIFY(QFileInfo::exists(paths.elapsedPath("lost")));
    std::optional<ProjectRecord> record = ProjectStore(home.dataFolder()).record("lost");
    QVERIFY(record.has_value());
    QCOMPARE(record->status, int(ProjectRecord::Running));

    record->url = nginx.url("lost.bin");
    QVERIFY(TestFiles::writeFile(paths.recordPath("lost"), record->toText()));
    QProcess second;
    QVERIFY(start(second, home, {"run"}));
    QVERIFY(endedByItself(second));
    QVERIFY2(second.exitCode() == 0, second.readAllStandardError().constData());
    QCOMPARE(TestFiles::sha256OfFile(downloadFolderOf(home) + "lost.bin"),
             TestFiles::sha256(bytes));
    QStringList lines = packLogLines(home, "lost");
    lines.sort();
    QCOMPARE(lines, allComplete(home, "lost", 3));
}

QTEST_GUILESS_MAIN(tst_CliResume)
#include "tst_CliResume.moc"
