#include "EngineRig.h"
#include "FaultServer.h"
#include "FtpServer.h"
#include "TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <unistd.h>

// Servers that misbehave for a while or change the file: every download still ends with a
// complete, byte-identical file, a failed write or a blocked final file is reported and waits for
// the user, and nothing unusable ever reaches the download folder.
class tst_HttpFaults final : public QObject
{
    Q_OBJECT

private slots:
    void recoversFrom_data();
    void recoversFrom();
    void emptyFileCompletesAtOnce();
    void unwritablePiecePausesUntilResumed_data();
    void unwritablePiecePausesUntilResumed();
    void finishIsCompletedByTheNextStart_data();
    void finishIsCompletedByTheNextStart();
    void cancelKeepsWhatTheProjectDidNotMake();
    void changedFileStartsAgain_data();
    void changedFileStartsAgain();

private:
    static constexpr qint64 Size = 300000;
    static constexpr qint64 PackSize = 65536;
    static constexpr qint64 Packs = 5;
    // 19 packs: many more than the slots.
    static constexpr qint64 ManySize = 1200000;
    static constexpr qint64 ManyPackSize = 64000;
    static constexpr qint64 FtpSize = 1300000;
    static constexpr qint64 FtpPackSize = 512000;
    static constexpr int TimeoutMs = 60000;
};

namespace {

// Every pack but the first arrives slowly: there is time to act while the download runs.
void slowLaterPacks(FaultServer &server)
{
    server.addFault(FaultServer::SlowBody, 4, 1);
}

const QString NoData = "The server is reachable but sends no data: the download is paused.";
const QByteArray Etag = "\"v1\xe9\""; // a byte over 0x7f, as some servers send
using Messages = QList<QVariantList>;

// Serves the test file and queues the project "setup" for it.
QByteArray serveAndQueue(EngineRig &rig, FaultServer &server, qint64 packSize = 65536,
                         qint64 size = 300000)
{
    const QByteArray bytes = TestFiles::randomBytes(size, 42);
    server.addFile("/setup.exe", bytes);
    rig.queue("setup", server.url("setup.exe"), bytes.size(), packSize);
    return bytes;
}

} // namespace

// Tags name the server's ways: "kept alive" connections, "no ranges", a fault that meets
// "every" request, and what the slots must do: send "one at a time" once a request sent ahead
// went wrong (each of the four slots may have sent one ahead before any of them noticed).
void tst_HttpFaults::recoversFrom_data()
{
    QTest::addColumn<FaultServer::Fault>("fault");
    // Set: the fault meets every pack but the first until the download has paused with this
    // message. Else it meets the first three requests (or every one).
    QTest::addColumn<QString>("message");
    const QString alone;
    const QString unusable = "Unable to use the high speed download method on this server !";

    QTest::newRow("header split across chunks") << FaultServer::SplitHeader << alone;
    QTest::newRow("500") << FaultServer::Status500 << alone;
    QTest::newRow("early close") << FaultServer::CloseMidBody << alone;
    QTest::newRow("stall") << FaultServer::Stall << alone;
    QTest::newRow("endless header") << FaultServer::EndlessHeader << alone;
    QTest::newRow("endless header, kept alive") << FaultServer::EndlessHeader << alone;
    // The request sent ahead is lost with the connection: asked again, never a pack twice.
    QTest::newRow("kept alive connection closed after an answer")
        << FaultServer::CloseAfterBody << alone;
    QTest::newRow("short range") << FaultServer::ShortRange << alone;
    QTest::newRow("short range, kept alive") << FaultServer::ShortRange << alone;
    // The file is one pack, asked again whole after the close.
    QTest::newRow("early close, no ranges") << FaultServer::CloseMidBody << alone;
    // Bytes past the last answer owed answer nothing asked.
    QTest::newRow("every answer twice in one write, no ranges, kept alive")
        << FaultServer::AnswerTwice << alone;
    QTest::newRow("interim answers before every answer") << FaultServer::Interim << alone;
    QTest::newRow("404") << FaultServer::Status404
                         << "File not found or the URL don't point on a file !";
    QTest::newRow("403") << FaultServer::Status403 << unusable;
    QTest::newRow("every request sent ahead dropped, then one at a time, kept alive")
        << FaultServer::DropAhead << alone;
    // Answers that bring no byte of the file.
    QTest::newRow("206 header, then close") << FaultServer::HeaderOnly << NoData;
    QTest::newRow("206 without a byte") << FaultServer::EmptyRange << NoData;
    QTest::newRow("never answered") << FaultServer::Silent << NoData;
    QTest::newRow("header dripped for ever") << FaultServer::EndlessHeader << NoData;
    // The first pack's slot asks for its next pack ahead, and the answer does not fit it.
    QTest::newRow("wrong start, then one at a time, kept alive")
        << FaultServer::ShiftedRange << unusable;
}

// The failing slot retries alone, and a server error or an answer without data is counted down.
// A refusal that lasts the whole refusal interval, or no data for that long, pauses the download
// with the reason, and "Resume" tries again. Until then a failing slot backs off.
void tst_HttpFaults::recoversFrom()
{
    QFETCH(FaultServer::Fault, fault);
    QFETCH(QString, message);
    const QByteArray tag = QTest::currentDataTag();
    const bool ranges = !tag.contains("no ranges");
    const bool every = tag.contains("every");

    Engine::Intervals intervals = EngineRig::fastIntervals();
    if (fault == FaultServer::ShortRange)
        intervals.stallMs = 10 * TimeoutMs;      // only the answer's own end can move the slot on
    intervals.refusalMs = 2 * intervals.stallMs; // one stall alone is no reason to give up
    EngineRig rig(intervals);
    FaultServer server;
    server.setKeepAlive(tag.contains("kept alive"));
    server.setRangeSupport(ranges);
    server.addFault(fault, message.isEmpty() && !every ? 3 : 1000000, message.isEmpty() ? 0 : 1);
    const QByteArray bytes = serveAndQueue(rig, server, ranges ? ManyPackSize : ManySize, ManySize);
    QSignalSpy overall(&rig.engine, &Engine::overallStatusChanged);
    QSignalSpy lost(&rig.engine, &Engine::connectionLost); // the command line stops as for it

    rig.engine.startQueue();
    if (!message.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, TimeoutMs);
        QCOMPARE(rig.messages.at(0), QVariantList({message, "Error"}));
        QVERIFY(server.requestCount() <= 50); // each failing slot backs off
        server.clearFaults();
        rig.engine.togglePause();
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(overall.contains(QVariantList{"Pause..."}), !message.isEmpty());
    QCOMPARE(lost.count(), message == NoData ? 1 : 0);
    QCOMPARE(overall.contains(QVariantList{"Server busy, retrying in 1 s..."}),
             fault == FaultServer::Status500);
    QCOMPARE(overall.contains(QVariantList{"No data from the server, retrying in 1 s..."}),
             message == NoData || fault == FaultServer::EndlessHeader);
    QVERIFY(every || server.pendingFaults() == 0);
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.packLogLines("setup"),
             rig.completeLines("setup", "setup", ranges ? (ManySize - 1) / ManyPackSize + 1 : 1));
    QCOMPARE(rig.messages.count(), message.isEmpty() ? 0 : 1);
    QVERIFY(!tag.contains("one at a time") ||
            (server.requestsAhead() >= 1 && server.requestsAhead() <= 4));
}

void tst_HttpFaults::emptyFileCompletesAtOnce()
{
    EngineRig rig;
    FaultServer server;
    server.addFile("/empty.txt", {});
    QVERIFY(rig.queue("empty", server.url("empty.txt"), 0, PackSize));

    rig.engine.startQueue();
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QVERIFY(QFileInfo(rig.downloadFolder() + "empty.txt").isFile());
    QCOMPARE(rig.projectFile("empty", "project.qfd"),
             rig.finishedRecord(server.url("empty.txt"), 0, PackSize));
}

void tst_HttpFaults::unwritablePiecePausesUntilResumed_data()
{
    QTest::addColumn<bool>("packLog"); // the pack log is blocked instead of the first piece
    QTest::newRow("piece") << false;
    QTest::newRow("pack log, while resuming") << true;
}

void tst_HttpFaults::unwritablePiecePausesUntilResumed()
{
    QFETCH(bool, packLog);
    EngineRig rig;
    FaultServer server;
    const QByteArray bytes = serveAndQueue(rig, server);
    const QString firstPiece = rig.receiveFolder("setup") + "setup(0).qfd";
    const QString blocked = packLog ? rig.store.paths().packLogPath("setup") : firstPiece;
    QVERIFY(rig.store.startNextWaiting()); // begun by an earlier run
    if (packLog)                           // a whole piece the log does not name yet
        QVERIFY(TestFiles::writeFile(firstPiece, bytes.left(PackSize)));
    QVERIFY(QDir().mkpath(blocked)); // a folder where the file should go
    QSignalSpy action(&rig.engine, &Engine::actionChanged);
    QSignalSpy overall(&rig.engine, &Engine::overallStatusChanged);

    rig.engine.resumeInterrupted();
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, TimeoutMs);

    QCOMPARE(rig.messages.at(0),
             QVariantList({"Unable to write the file " + blocked + " !", "Error"}));
    QCOMPARE(action.last(), QVariantList({true, "Resume"}));
    QCOMPARE(overall.last(), QVariantList({"Pause..."}));
    QVERIFY(QDir().rmdir(blocked));
    rig.engine.togglePause();
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.messages.count(), 1);
}

void tst_HttpFaults::finishIsCompletedByTheNextStart_data()
{
    QTest::addColumn<bool>("record"); // the record is immutable instead of the final file blocked
    QTest::newRow("final file blocked") << false;
    QTest::newRow("record immutable") << true;
}

// A piece that disappears after its pack was logged is fetched again before joining. When the
// final file cannot take its place, the project stays running and paused with the joined file
// kept beside the download folder; when the record cannot say "status:2", the queue goes on. The
// user is told once, and the next start finishes the project without fetching anything again.
void tst_HttpFaults::finishIsCompletedByTheNextStart()
{
    QFETCH(bool, record);
    if (record && ::geteuid() != 0)
        QSKIP("making a file immutable needs root");
    EngineRig rig;
    FaultServer server;
    slowLaterPacks(server); // there is time to act long before the last pack
    const QByteArray bytes = serveAndQueue(rig, server);
    const QString finalPath = rig.downloadFolder() + "setup.exe";
    const QString firstPiece = rig.receiveFolder("setup") + "setup(0).qfd";
    const QString blocked = record ? rig.store.paths().recordPath("setup") : finalPath;
    const auto unblock = [&] {
        return record ? QProcess::execute("chattr", {"-i", blocked}) == 0
                      : QDir(finalPath).removeRecursively();
    };
    auto unblocked = qScopeGuard(unblock);
    if (!record)
        QVERIFY(TestFiles::writeFile(finalPath + "/occupied", "x"));
    QSignalSpy idle(&rig.engine, &Engine::queueEmpty);

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(rig.packLogLines("setup").contains(firstPiece.toUtf8() + ":1\r\n"),
                             TimeoutMs);
    QVERIFY(QFile::remove(firstPiece));
    QVERIFY(!record || QProcess::execute("chattr", {"+i", blocked}) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, TimeoutMs);
    QCOMPARE(rig.messages.at(0),
             QVariantList({(record ? "Unable to write the file " : "Unable to create the file ") +
                               blocked + " !",
                           "Error"}));
    QCOMPARE(rig.engine.isPaused(), !record);
    if (record) // the start tick found nothing to do
        QTRY_VERIFY_WITH_TIMEOUT(!idle.isEmpty(), TimeoutMs);
    QCOMPARE(TestFiles::sha256OfFile(record ? finalPath : rig.downloadFolder() + "setup.qfd"),
             TestFiles::sha256(bytes));
    rig.engine.shutdown();
    unblocked.dismiss();
    QVERIFY(unblock());

    NextRun next(rig);
    next.engine.resumeInterrupted();
    QTRY_COMPARE_WITH_TIMEOUT(next.finished.count(), 1, TimeoutMs);
    QCOMPARE(TestFiles::sha256OfFile(finalPath), TestFiles::sha256(bytes));
    QCOMPARE(QDir(rig.downloadFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"setup.exe"});
    QVERIFY(rig.projectFile("setup", "project.qfd").endsWith("status:2\r\n"));
    QCOMPARE(server.requestCount(), Packs + 1);
    QVERIFY(next.messages.isEmpty());
}

// A folder of the user's where the receive folder would go is never written into; files the
// user puts into the receive folder survive a cancel.
void tst_HttpFaults::cancelKeepsWhatTheProjectDidNotMake()
{
    EngineRig rig;
    FaultServer server;
    slowLaterPacks(server);
    serveAndQueue(rig, server);
    const QString receive = rig.receiveFolder("setup");
    QVERIFY(TestFiles::writeFile(receive + "photo.jpg", "mine"));

    rig.engine.startQueue();
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, TimeoutMs);
    QCOMPARE(rig.messages.at(0),
             QVariantList({"Unable to create the folder " + receive + " !", "Error"}));
    QCOMPARE(rig.store.waiting().size(), 1);
    QCOMPARE(server.requestCount(), 0);

    QVERIFY(QDir(receive).removeRecursively());
    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(
        rig.packLogLines("setup").contains(receive.toUtf8() + "setup(0).qfd:1\r\n"), TimeoutMs);
    QVERIFY(TestFiles::writeFile(receive + "photo.jpg", "mine"));
    rig.engine.cancelRunning();
    QCOMPARE(QDir(receive).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"photo.jpg"});
}

void tst_HttpFaults::changedFileStartsAgain_data()
{
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<qint64>("newSize");       // 0: the file is gone; -1: its bytes stay
    QTest::addColumn<QByteArrayList>("etags"); // HTTP: given in turn once resumed
    QTest::addColumn<Messages>("messages");
    const QString changed = "The file of the project setup has changed on the server";
    const QVariantList startsAgain = {changed + ": its download starts again from zero.",
                                      "Quillfetch"};
    const QVariantList gone = {"File not found or the URL don't point on a file !", "Error"};
    const QVariantList changesAgain = {changed + " again: its download is paused.", "Error"};

    QTest::newRow("new ETag, new size")
        << false << Size + 70000 << QByteArrayList{"\"v2\""} << Messages{startsAgain};
    // Over FTP the size and the MDTM time show the version.
    QTest::newRow("FTP, same size, new time")
        << true << FtpSize << QByteArrayList() << Messages{startsAgain};
    QTest::newRow("FTP, file gone") << true << qint64(0) << QByteArrayList() << Messages{gone};
    QTest::newRow("same ETag") << false << qint64(-1) << QByteArrayList{Etag} << Messages();
    // Nodes behind a load balancer, each with its own ETag for the same bytes.
    QTest::newRow("two ETags in turn") << false << qint64(-1) << QByteArrayList{Etag, "\"v2\""}
                                       << Messages{startsAgain, changesAgain};
}

// The file is replaced on the server while the download is paused: the resumed packs see the
// new version and the project starts again from zero; the final file is the new version alone.
// A file that is gone is refused for good: the download pauses and says so, and so does a second
// change that follows the first. The ETag, a byte over 0x7f included, is kept as it was sent.
void tst_HttpFaults::changedFileStartsAgain()
{
    QFETCH(bool, ftp);
    QFETCH(qint64, newSize);
    QFETCH(QByteArrayList, etags);
    QFETCH(Messages, messages);
    const qint64 size = ftp ? FtpSize : Size;
    const qint64 packSize = ftp ? FtpPackSize : PackSize;
    Engine::Intervals intervals = EngineRig::fastIntervals();
    intervals.stallMs = 20000; // longer than the FTP server's pauses
    intervals.refusalMs = 300;
    EngineRig rig(intervals);
    const QString served = rig.serveFolder() + "setup.exe";
    QVERIFY(TestFiles::writeFile(served, TestFiles::randomBytes(size, 1)));
    const QDateTime time = QFileInfo(served).lastModified().toUTC();
    const auto stamp = [](const QDateTime &at) { return at.toString("yyyyMMddHHmmss").toUtf8(); };
    FaultServer http;
    slowLaterPacks(http);
    http.addFile("/setup.exe", TestFiles::randomBytes(size, 1), Etag);
    FtpOptions options;
    options.rateLimit = 100000; // 262144 bytes at once, then 131072 every two seconds
    FtpServer ftpServer(rig.serveFolder(), options);
    QVERIFY(!ftp || ftpServer.start());
    const QString url = ftp ? ftpServer.url("setup.exe") : http.url("setup.exe");
    ProjectRecord record = EngineRig::record(url, size, rig.downloadFolder(), packSize);
    record.type = ftp ? "1" : "0";
    QVERIFY(rig.store.createProject(
        "setup", record, ftp ? ServerValidators{{}, stamp(time)} : ServerValidators{Etag, {}}));

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(rig.receiveFolder("setup") + "setup(0).qfd").size() > 0,
                             TimeoutMs);
    rig.engine.togglePause();
    const qint64 finalSize = newSize < 0 ? size : newSize;
    const QByteArray changed = TestFiles::randomBytes(finalSize, newSize < 0 ? 1 : 2);
    http.addFile("/setup.exe", changed, etags.value(0));
    if (etags.size() > 1)
        http.alternateEtag("/setup.exe", etags.at(1));
    QFile file(served);
    QVERIFY(newSize > 0 ? TestFiles::writeFile(served, changed) : newSize < 0 || file.remove());
    QVERIFY(newSize <= 0 ||
            (file.open(QIODevice::ReadWrite) &&
             file.setFileTime(time.addSecs(60), QFileDevice::FileModificationTime)));
    file.close();
    rig.engine.togglePause();
    QTRY_VERIFY_WITH_TIMEOUT(rig.finished.count() == 1 || rig.engine.isPaused(), TimeoutMs);

    QCOMPARE(rig.messages, messages);
    if (rig.engine.isPaused())
        return;
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"),
             TestFiles::sha256(changed));
    QCOMPARE(rig.projectFile("setup", "project.qfd"),
             rig.finishedRecord(url, finalSize, packSize)
                 .replace("Type:0", "Type:" + record.type.toUtf8()));
    QCOMPARE(rig.projectFile("setup", "server.qfd"),
             ftp ? "etag:\r\nmodified:" + stamp(time.addSecs(60)) + "\r\n"
                 : "etag:" + etags.constLast() + "\r\nmodified:\r\n");
    QCOMPARE(rig.packLogLines("setup"),
             rig.completeLines("setup", "setup", (finalSize + packSize - 1) / packSize));
}

QTEST_GUILESS_MAIN(tst_HttpFaults)
#include "tst_HttpFaults.moc"
