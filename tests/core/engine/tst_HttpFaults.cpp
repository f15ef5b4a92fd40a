#include "EngineRig.h"
#include "FaultServer.h"
#include "FtpServer.h"
#include "TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
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
    void keepsWhatTheProjectDidNotMake_data();
    void keepsWhatTheProjectDidNotMake();
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
// went wrong (each of the four slots may have sent two ahead before any of them noticed).
void tst_HttpFaults::recoversFrom_data()
{
    QTest::addColumn<FaultServer::Fault>("fault");
    // Set: the fault meets every pack but the first until the download has paused with this
    // message. Else it meets the first three requests (or every one).
    QTest::addColumn<QString>("message");
    const QString alone;
    const QString unusable = "Unable to use the high speed download method on this server !";

    QTest::newRow("header split across chunks") << FaultServer::SplitHeader << alone;
    // The first packs come slowly: the later ones are complete long before them.
    QTest::newRow("slow body") << FaultServer::SlowBody << alone;
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
    QTest::newRow("401") << FaultServer::Status401
                         << "The server asks for a user name and a password, or refused the "
                            "ones given: the download is paused. Add the URL again to give them.";
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
    QSignalSpy overall(&rig.captions, &RunCaptions::overallStatusChanged);
    QSignalSpy lost(&rig.engine, &Engine::connectionLost); // the command line stops as for it

    rig.engine.startQueue();
    if (!message.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, TimeoutMs);
        QCOMPARE(rig.messages.at(0), QVariantList({message, "Error"}));
        QVERIFY(server.requestCount() <= 50); // each failing slot backs off
        // The first pack came long before: it is joined and its piece gone while the rest waits.
        QTRY_VERIFY_WITH_TIMEOUT(
            message != NoData || !QFileInfo::exists(rig.receiveFolder("setup") + "setup(0).qfd"),
            TimeoutMs);
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
    QCOMPARE(QDir(rig.downloadFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"setup.exe"}); // no piece left
    QCOMPARE(rig.packLogLines("setup"),
             rig.completeLines(ranges ? (ManySize - 1) / ManyPackSize + 1 : 1));
    QCOMPARE(rig.messages.count(), message.isEmpty() ? 0 : 1);
    QVERIFY(!tag.contains("one at a time") ||
            (server.requestsAhead() >= 1 && server.requestsAhead() <= 8));
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
    QTest::addColumn<QString>("blocked"); // the first piece, the pack log or "final.qfd"
    QTest::addColumn<QString>("message");
    // The message's second line, when the download folder is a small file system of its own
    // that the tag says is full or read-only.
    QTest::addColumn<QString>("cause");
    const QString write = "Unable to write the file ";
    QTest::newRow("piece") << "piece" << write << QString();
    QTest::newRow("pack log, while resuming") << "pack log" << write << QString();
    // Joined as soon as the first pack is in, long before the last one: the failure pauses the
    // download then, rather than trying again and again.
    QTest::newRow("work file, joined early") << "work file"
                                             << "Unable to create the file " << QString();
    QTest::newRow("full disk") << "piece" << write << "\r\nNo space is left on the disk.";
    QTest::newRow("read-only disk") << "piece" << write << "\r\nThe disk is read-only.";
}

void tst_HttpFaults::unwritablePiecePausesUntilResumed()
{
    QFETCH(QString, blocked);
    QFETCH(QString, message);
    QFETCH(QString, cause);
    const bool disk = !cause.isEmpty();
    EngineRig rig;
    const QString folder = rig.downloadFolder();
    const auto mount = [&folder](const QString &options) {
        return QProcess::execute("mount", {"-t", "tmpfs", "-o", options, "tmpfs", folder}) == 0;
    };
    if (disk && !(QDir().mkpath(folder) && mount("size=64k")))
        QSKIP("mounting a tmpfs needs root");
    auto unmount = qScopeGuard([&] { QProcess::execute("umount", {"-q", folder}); });
    FaultServer server;
    if (blocked == "work file")
        slowLaterPacks(server);
    const QByteArray bytes = serveAndQueue(rig, server);
    const QString firstPiece = rig.receiveFolder("setup") + "setup(0).qfd";
    const QString path = blocked == "pack log"    ? rig.store.paths().packLogPath("setup")
                         : blocked == "work file" ? rig.receiveFolder("setup") + "final.qfd"
                                                  : firstPiece;
    QVERIFY(rig.store.startNextWaiting()); // begun by an earlier run
    if (blocked == "pack log")             // a whole piece the log does not name yet
        QVERIFY(TestFiles::writeFile(firstPiece, bytes.left(PackSize)));
    if (!disk)
        QVERIFY(QDir().mkpath(path)); // a folder where the file should go
    else if (cause.contains("read-only"))
        QVERIFY(QDir().mkpath(rig.receiveFolder("setup")) && mount("remount,ro"));
    QSignalSpy action(&rig.captions, &RunCaptions::actionChanged);
    QSignalSpy overall(&rig.captions, &RunCaptions::overallStatusChanged);

    rig.engine.resumeInterrupted();
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, TimeoutMs);

    // Any of the packs begun together may meet the full disk first.
    QVariantList shown = rig.messages.at(0);
    shown[0] = shown[0].toString().replace(QRegularExpression(R"(\(\d\)\.qfd)"), "(0).qfd");
    QCOMPARE(shown, QVariantList({message + path + " !" + cause, "Error"}));
    QVERIFY(!rig.packLogLines("setup").contains(rig.completeLines(Packs)));
    QCOMPARE(overall.last() + action.last(), QVariantList({"Pause...", true, "Resume"}));
    QVERIFY(disk ? mount("remount,rw,size=4m") : QDir().rmdir(path));
    rig.engine.togglePause();
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.messages.count(), 1);
}

void tst_HttpFaults::finishIsCompletedByTheNextStart_data()
{
    QTest::addColumn<QString>("stop"); // how the first run ended
    QTest::newRow("record immutable") << "record";
    // Killed once the joined file has left the receive folder, before the pieces were deleted.
    QTest::newRow("killed, joined file beside the pieces") << "joined";
    // The user puts a folder of the same names in the receive folder's place as the next run
    // starts.
    QTest::newRow("killed, receive folder then swapped for a link") << "link";
}

// A piece that disappears after its pack was logged, before it was joined, is fetched again.
// When the record cannot say "status:2", the user is told once and the queue goes on; a kill
// leaves the joined file on the way to its name. The next start finishes the project without
// fetching anything again, and removes only what the project made.
void tst_HttpFaults::finishIsCompletedByTheNextStart()
{
    QFETCH(QString, stop);
    const bool record = stop == "record";
    if (record && ::geteuid() != 0)
        QSKIP("making a file immutable needs root");
    Engine::Intervals intervals = EngineRig::fastIntervals();
    intervals.progressTickMs = 10 * TimeoutMs; // nothing is joined before every pack is in
    EngineRig rig(intervals);
    FaultServer server;
    slowLaterPacks(server); // there is time to act long before the last pack
    const QByteArray bytes = serveAndQueue(rig, server);
    const QString finalPath = rig.downloadFolder() + "setup.exe";
    const QString receive = rig.receiveFolder("setup");
    const QString firstPiece = receive + "setup(0).qfd";
    const QString blocked = rig.store.paths().recordPath("setup");
    const QString mine = rig.home.root() + "mine/";
    const auto unblock = [&] { return QProcess::execute("chattr", {"-i", blocked}) == 0; };
    auto unblocked = qScopeGuard([&] { record &&unblock(); });
    QVERIFY(TestFiles::writeFile(mine + "setup(0).qfd", "mine"));
    QVERIFY(TestFiles::writeFile(mine + "final.qfd", "mine"));
    QSignalSpy idle(&rig.engine, &Engine::queueEmpty);

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(rig.packLogLines("setup").contains(firstPiece.toUtf8() + ":1\r\n"),
                             TimeoutMs);
    QVERIFY(QFile::remove(firstPiece));
    QVERIFY(!record || QProcess::execute("chattr", {"+i", blocked}) == 0);
    if (record) {
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, TimeoutMs);
        QCOMPARE(rig.messages.at(0),
                 QVariantList({"Unable to write the file " + blocked + " !", "Error"}));
        QTRY_VERIFY_WITH_TIMEOUT(!idle.isEmpty(), TimeoutMs); // the start tick found nothing
        rig.engine.shutdown();
        unblocked.dismiss();
        QVERIFY(unblock());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);
        QVERIFY(rig.store.rewriteStatus("setup", ProjectRecord::Running));
        for (qint64 pack = 0; pack < Packs; ++pack)
            QVERIFY(TestFiles::writeFile(receive + QString("setup(%1).qfd").arg(pack),
                                         bytes.mid(pack * PackSize, PackSize)));
        QVERIFY(stop != "joined" || QFile::rename(finalPath, rig.downloadFolder() + "setup.qfd"));
    }
    QCOMPARE(
        TestFiles::sha256OfFile(stop == "joined" ? rig.downloadFolder() + "setup.qfd" : finalPath),
        TestFiles::sha256(bytes));

    NextRun next(rig);
    next.engine.resumeInterrupted();
    if (stop == "link")
        QVERIFY(QDir(receive).removeRecursively() && QFile::link(mine, receive.chopped(1)));
    QTRY_COMPARE_WITH_TIMEOUT(next.finished.count(), 1, TimeoutMs);
    QCOMPARE(TestFiles::sha256OfFile(finalPath), TestFiles::sha256(bytes));
    QCOMPARE(QDir(rig.downloadFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             stop == "link" ? QStringList({"setup", "setup.exe"}) : QStringList{"setup.exe"});
    QCOMPARE(QDir(mine).entryList(QDir::Files), QStringList({"final.qfd", "setup(0).qfd"}));
    QCOMPARE(next.finished.at(0), QVariantList({"setup", finalPath}));
    QVERIFY(rig.projectFile("setup", "project.qfd").endsWith("status:2\r\n"));
    QCOMPARE(server.requestCount(), Packs + 1);
    QVERIFY(next.messages.isEmpty());
}

void tst_HttpFaults::keepsWhatTheProjectDidNotMake_data()
{
    // What the user puts into the download folder while the download runs, by name there. The tag
    // says whether the user swaps the receive folder for a link to a folder, and whether the
    // download is then cancelled or completed.
    QTest::addColumn<QStringList>("userFiles");
    QTest::newRow("file in the receive folder, cancelled") << QStringList{"setup/photo.jpg"};
    QTest::newRow("file of the joined file's name, cancelled") << QStringList{"setup.qfd"};
    QTest::newRow("receive folder swapped for a link, cancelled") << QStringList{};
    QTest::newRow("files of the final and the joined file's names, completed")
        << QStringList{"setup.exe", "setup.qfd"};
}

// A folder of the user's where the receive folder would go is never written into. A file the user
// puts beside the project's own files, or where they would go, survives a cancel and a
// completion; the finished file then takes the next free name, and says so.
void tst_HttpFaults::keepsWhatTheProjectDidNotMake()
{
    QFETCH(QStringList, userFiles);
    const QByteArray tag = QTest::currentDataTag();
    const bool linked = tag.contains("link");
    const bool cancelled = tag.endsWith("cancelled");
    EngineRig rig;
    FaultServer server;
    slowLaterPacks(server);
    const QByteArray bytes = serveAndQueue(rig, server);
    const QString receive = rig.receiveFolder("setup");
    const QString mine = rig.home.root() + "mine/";
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
    for (const QString &name : userFiles)
        QVERIFY(TestFiles::writeFile(rig.downloadFolder() + name, "mine"));
    QVERIFY(TestFiles::writeFile(mine + "setup(0).qfd", "mine"));
    if (linked)
        QVERIFY(QDir(receive).removeRecursively() && QFile::link(mine, receive.chopped(1)));
    if (cancelled)
        rig.engine.cancelRunning();
    else
        QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    for (const QString &name : userFiles)
        QCOMPARE(EngineRig::contents(rig.downloadFolder() + name), "mine");
    QCOMPARE(EngineRig::contents(mine + "setup(0).qfd"), "mine");
    QVERIFY(linked || QDir(receive).entryList({"setup(*"}).isEmpty()); // the project's pieces
    if (cancelled)
        return;
    const QString placed = rig.finished.at(0).at(1).toString();
    QVERIFY2(QRegularExpression("/downloads/setup_[^/]+\\.exe$").match(placed).hasMatch(),
             qPrintable(placed));
    QCOMPARE(TestFiles::sha256OfFile(placed), TestFiles::sha256(bytes));
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
    // 262144 bytes at once, then 131072 every two seconds.
    FtpServer ftpServer(rig.serveFolder(), {.rateLimit = 100000});
    QVERIFY(!ftp || ftpServer.start());
    const QString url = ftp ? ftpServer.url("setup.exe") : http.url("setup.exe");
    ProjectRecord record = EngineRig::record(url, size, rig.downloadFolder(), packSize);
    record.type = ftp ? "1" : "0";
    QVERIFY(rig.store.createProject(
        "setup", record, ftp ? ServerValidators{{}, stamp(time)} : ServerValidators{Etag, {}}));

    rig.engine.startQueue();
    const QString receive = rig.receiveFolder("setup"); // data in a piece, or joined already
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(receive + "setup(0).qfd").size() > 0 ||
                                 QFile::exists(receive + "final.qfd"),
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
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines((finalSize + packSize - 1) / packSize));
}

QTEST_GUILESS_MAIN(tst_HttpFaults)
#include "tst_HttpFaults.moc"
