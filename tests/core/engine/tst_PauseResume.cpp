#include "EngineRig.h"
#include "NginxServer.h"
#include "TestFiles.h"

#include "store/ElapsedRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QTest>

// The controls around a running download (pause and resume, closing and starting again,
// cancelling) and connections that fail, against a real nginx slowed down so that every pack is
// in flight for a while: each download ends with the whole file byte for byte, a pack log of
// exactly one ":1" line per pack, and no pack fetched again that was already complete.
class tst_PauseResume final : public QObject
{
    Q_OBJECT

private slots:
    void pauseAndResumeContinueEachPack_data();
    void pauseAndResumeContinueEachPack();
    void pauseBeforeASlotReceivedAnything();
    void closeAndStartAgainFetchOnlyWhatIsMissing_data();
    void closeAndStartAgainFetchOnlyWhatIsMissing();
    void refusedConnectionsResumeByThemselves();
    void unresolvableHostPausesWithOneMessage();
    void cancelRemovesTheReceiveFolderAndStartsTheNext();
};

namespace {

constexpr qint64 PackSize = 256000;
constexpr qint64 Size = 3000000; // 12 packs, the last one short
constexpr qint64 Packs = 12;
constexpr int TimeoutMs = 60000;

// About one pack per second and connection, sent in writes of 64000 bytes.
NginxServer::Options slowly()
{
    return {PackSize, 64000, {}};
}

QByteArray serve(EngineRig &rig, qint64 size, quint32 seed)
{
    const QByteArray bytes = TestFiles::randomBytes(size, seed);
    return TestFiles::writeFile(rig.serveFolder() + "setup.exe", bytes) ? bytes : QByteArray();
}

QString piece(const EngineRig &rig, qint64 pack)
{
    return rig.receiveFolder("setup") + QStringLiteral("setup(%1).qfd").arg(pack);
}

qint64 pieceSize(const EngineRig &rig, qint64 pack)
{
    return QFileInfo(piece(rig, pack)).size();
}

QByteArray logLine(const EngineRig &rig, qint64 pack, char state)
{
    return piece(rig, pack).toUtf8() + ':' + state + "\r\n";
}

// The packs the pack log names with this state, each with the bytes its piece holds now.
QMap<qint64, qint64> loggedPacks(const EngineRig &rig, qint64 packs, char state)
{
    QMap<qint64, qint64> logged;
    const QSet<QByteArray> lines = rig.packLogLines("setup");
    for (qint64 pack = 0; pack < packs; ++pack) {
        if (lines.contains(logLine(rig, pack, state)))
            logged.insert(pack, pieceSize(rig, pack));
    }
    return logged;
}

bool noLineTwice(const EngineRig &rig)
{
    return rig.packLogList("setup").size() == rig.packLogLines("setup").size();
}

// Every piece on disk is either complete or begun, never both, and the log names nothing else.
bool everyPieceAccountedFor(const EngineRig &rig, qint64 packs)
{
    const QMap<qint64, qint64> complete = loggedPacks(rig, packs, '1');
    const QMap<qint64, qint64> begun = loggedPacks(rig, packs, '0');
    const QStringList pieces = QDir(rig.receiveFolder("setup")).entryList(QDir::Files);
    for (qint64 pack = 0; pack < packs; ++pack) {
        const bool onDisk = pieces.contains(QStringLiteral("setup(%1).qfd").arg(pack));
        if (onDisk != (complete.contains(pack) != begun.contains(pack)))
            return false;
    }
    return complete.size() + begun.size() == rig.packLogList("setup").size();
}

// The Range a pack is asked for with when its piece already holds `have` bytes.
QString rangeOf(qint64 pack, qint64 have, qint64 size)
{
    const qint64 start = pack * PackSize;
    return QStringLiteral("bytes=%1-%2").arg(start + have).arg(qMin(start + PackSize, size));
}

QString lastCaptionOf(const QSignalSpy &slotCaptions, int slot)
{
    QString caption;
    for (const QList<QVariant> &signal : slotCaptions) {
        if (signal.at(0).toInt() == slot)
            caption = signal.at(1).toString();
    }
    return caption;
}

bool eachHasData(const EngineRig &rig, qint64 packs)
{
    for (qint64 pack = 0; pack < packs; ++pack) {
        if (pieceSize(rig, pack) == 0)
            return false;
    }
    return true;
}

} // namespace

void tst_PauseResume::pauseAndResumeContinueEachPack_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("busySlots");
    QTest::newRow("every slot busy") << Size << 4;
    QTest::newRow("two packs, two idle slots") << qint64(400000) << 2;
}

// A pause logs each begun pack ":0" with the bytes its piece holds; the resume removes those
// lines and asks for each pack from the byte after them. A second pause at once logs the same,
// never a line twice. An idle slot is neither logged nor restarted.
void tst_PauseResume::pauseAndResumeContinueEachPack()
{
    QFETCH(qint64, size);
    QFETCH(int, busySlots);
    const qint64 packs = (size + PackSize - 1) / PackSize;
    EngineRig rig;
    const QByteArray bytes = serve(rig, size, 11);
    NginxServer nginx(rig.serveFolder(), slowly());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(rig.queue("setup", nginx.url("setup.exe"), size, PackSize));
    QSignalSpy overall(&rig.engine, &Engine::overallStatusChanged);
    QSignalSpy slotCaptions(&rig.engine, &Engine::slotStatusChanged);
    QSignalSpy action(&rig.engine, &Engine::actionChanged);

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(eachHasData(rig, busySlots), TimeoutMs);
    rig.engine.togglePause();

    QVERIFY(rig.engine.isPaused());
    QVERIFY(!rig.engine.speedMeter().isMeasuring());
    QCOMPARE(overall.last().at(0).toString(), "Pause...");
    QCOMPARE(action.last(), QVariantList({true, "Resume"}));
    for (int slot = 1; slot <= 4; ++slot)
        QCOMPARE(lastCaptionOf(slotCaptions, slot), "Pause...");
    const QMap<qint64, qint64> begun = loggedPacks(rig, packs, '0');
    QVERIFY(!begun.isEmpty());
    QVERIFY(begun.size() <= busySlots);
    QVERIFY(everyPieceAccountedFor(rig, packs));
    rig.engine.togglePause();
    rig.engine.togglePause();
    QCOMPARE(loggedPacks(rig, packs, '0'), begun);
    QVERIFY(noLineTwice(rig));

    rig.engine.togglePause();
    QCOMPARE(overall.last().at(0).toString(), "Downloading...");
    QCOMPARE(action.last(), QVariantList({true, "Pause"}));
    QVERIFY(loggedPacks(rig, packs, '0').isEmpty());
    for (int slot = busySlots + 1; slot <= 4; ++slot)
        QCOMPARE(lastCaptionOf(slotCaptions, slot), "Nothing");
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", packs));
    QVERIFY(noLineTwice(rig));
    // Each pack once from its start, and each begun pack once more after its saved bytes.
    QStringList expected;
    for (qint64 pack = 0; pack < packs; ++pack)
        expected << rangeOf(pack, 0, size);
    for (auto pack = begun.cbegin(); pack != begun.cend(); ++pack)
        expected << rangeOf(pack.key(), pack.value(), size);
    expected.sort();
    QTRY_COMPARE_WITH_TIMEOUT(sortedRanges(nginx), expected, TimeoutMs);
}

// Slot 4 is paused the moment its request goes out: its pack is logged ":0" with nothing in
// its piece, and the resume asks for it from its first byte again.
void tst_PauseResume::pauseBeforeASlotReceivedAnything()
{
    EngineRig rig;
    const QByteArray bytes = serve(rig, Size, 12);
    NginxServer nginx(rig.serveFolder(), slowly());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(rig.queue("setup", nginx.url("setup.exe"), Size, PackSize));
    bool asked = false;
    connect(&rig.engine, &Engine::slotStatusChanged, this,
            [&rig, &asked](int slot, const QString &caption) {
                if (slot != 4 || caption != "Sending request..." || asked)
                    return;
                asked = true;
                QMetaObject::invokeMethod(&rig.engine, &Engine::togglePause, Qt::QueuedConnection);
            });

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(rig.engine.isPaused(), TimeoutMs);

    QVERIFY(rig.packLogLines("setup").contains(logLine(rig, 3, '0')));
    QCOMPARE(pieceSize(rig, 3), 0);
    rig.engine.togglePause();
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", Packs));
    QTRY_COMPARE_WITH_TIMEOUT(sortedRanges(nginx).count(rangeOf(3, 0, Size)), 2, TimeoutMs);
}

void tst_PauseResume::closeAndStartAgainFetchOnlyWhatIsMissing_data()
{
    QTest::addColumn<bool>("pausedFirst");
    QTest::newRow("closed while downloading") << false;
    QTest::newRow("closed while paused") << true;
}

// The program closes with packs complete, begun and not started; the next start on the same
// folders asks the server only for what is missing, and its elapsed clock goes on.
void tst_PauseResume::closeAndStartAgainFetchOnlyWhatIsMissing()
{
    QFETCH(bool, pausedFirst);
    EngineRig rig;
    const QByteArray bytes = serve(rig, Size, 14);
    NginxServer nginx(rig.serveFolder(), slowly());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(rig.queue("setup", nginx.url("setup.exe"), Size, PackSize));

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(pieceSize(rig, 4) > 0, TimeoutMs);
    if (pausedFirst)
        rig.engine.togglePause();
    rig.engine.shutdown();

    QVERIFY(noLineTwice(rig));
    QVERIFY(everyPieceAccountedFor(rig, Packs));
    const QMap<qint64, qint64> complete = loggedPacks(rig, Packs, '1');
    const QMap<qint64, qint64> begun = loggedPacks(rig, Packs, '0');
    QVERIFY(!complete.isEmpty());
    QVERIFY(!begun.isEmpty());
    const std::optional<ElapsedClock> clock =
        ElapsedClock::parse(rig.projectFile("setup", "infos.qfd"));
    QVERIFY(clock.has_value());
    // Left-overs: a piece of a pack the log does not name, and one outside the file.
    qint64 unlogged = 0;
    while (complete.contains(unlogged) || begun.contains(unlogged))
        ++unlogged;
    QVERIFY(TestFiles::writeFile(piece(rig, unlogged), "stale bytes"));
    QVERIFY(TestFiles::writeFile(piece(rig, 99), "stale bytes"));
    // A request sent ahead may still be logged late: nginx starts afresh for the next run.
    nginx.stop();
    nginx.clearAccessLog();
    QVERIFY2(nginx.restart(), qPrintable(nginx.errorString()));

    NextRun run(rig);
    run.engine.resumeInterrupted();

    QVERIFY(!QFileInfo::exists(piece(rig, unlogged)));
    QVERIFY(!QFileInfo::exists(piece(rig, 99)));
    for (auto pack = begun.cbegin(); pack != begun.cend(); ++pack)
        QCOMPARE(pieceSize(rig, pack.key()), pack.value());
    QVERIFY(loggedPacks(rig, Packs, '0').isEmpty());
    QCOMPARE(run.engine.speedMeter().elapsed(), *clock);
    QTRY_COMPARE_WITH_TIMEOUT(run.finished.count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", Packs));
    QVERIFY(noLineTwice(rig));
    QCOMPARE(rig.projectFile("setup", "project.qfd"),
             rig.finishedRecord(nginx.url("setup.exe"), Size, PackSize));
    QStringList expected;
    for (qint64 pack = 0; pack < Packs; ++pack) {
        if (!complete.contains(pack))
            expected << rangeOf(pack, begun.value(pack, 0), Size);
    }
    expected.sort();
    QTRY_COMPARE_WITH_TIMEOUT(sortedRanges(nginx), expected, TimeoutMs);
    QVERIFY(run.messages.isEmpty());
}

// The server goes away: every connection is refused, so the download pauses and resumes by
// itself, waiting longer each time, until the server is back on its port.
void tst_PauseResume::refusedConnectionsResumeByThemselves()
{
    EngineRig rig;
    const QByteArray bytes = serve(rig, Size, 15);
    NginxServer nginx(rig.serveFolder(), slowly());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(rig.queue("setup", nginx.url("setup.exe"), Size, PackSize));
    QSignalSpy overall(&rig.engine, &Engine::overallStatusChanged);

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(eachHasData(rig, 4), TimeoutMs);
    nginx.stop();
    QTRY_VERIFY_WITH_TIMEOUT(overall.count({"Pause..."}) >= 3, TimeoutMs);
    QVERIFY(overall.contains({"Connection lost, retrying in 1 s..."})); // the wait, rounded up
    QTRY_VERIFY_WITH_TIMEOUT(overall.count({"Downloading..."}) >= 4, TimeoutMs);
    QVERIFY(rig.messages.isEmpty());
    QVERIFY2(nginx.restart(), qPrintable(nginx.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", Packs));
    QVERIFY(noLineTwice(rig));
    QVERIFY(rig.messages.isEmpty());
}

// A host that cannot be found: the four slots fail together and the user reads the message
// once, with the download paused; after "Resume" the next failure is reported again.
void tst_PauseResume::unresolvableHostPausesWithOneMessage()
{
    EngineRig rig;
    // A label this long is refused before any name server is asked: nothing leaves the machine.
    const QString host = QString(64, QLatin1Char('a')) + ".invalid";
    QVERIFY(rig.queue("setup", host + "/setup.exe", Size, PackSize));
    QSignalSpy lost(&rig.engine, &Engine::connectionLost);
    QSignalSpy action(&rig.engine, &Engine::actionChanged);
    const QVariantList message = {
        "Please check your Internet connection and then click on the resume button !", "Error"};
    QSet<QByteArray> begun;
    for (qint64 pack = 0; pack < 4; ++pack)
        begun.insert(logLine(rig, pack, '0'));

    rig.engine.startQueue();
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, TimeoutMs);
    QVERIFY(!rig.messages.wait(200));

    QCOMPARE(rig.messages.at(0), message);
    QCOMPARE(lost.count(), 1);
    QVERIFY(rig.engine.isPaused());
    QCOMPARE(action.last(), QVariantList({true, "Resume"}));
    QCOMPARE(rig.packLogLines("setup"), begun);

    rig.engine.togglePause();
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 2, TimeoutMs);
    QCOMPARE(rig.messages.at(1), message);
    QVERIFY(rig.engine.isPaused());
    rig.engine.shutdown();
    QCOMPARE(rig.packLogLines("setup"), begun);
    QVERIFY(noLineTwice(rig));
}

void tst_PauseResume::cancelRemovesTheReceiveFolderAndStartsTheNext()
{
    EngineRig rig;
    QVERIFY(!serve(rig, Size, 16).isEmpty());
    const QByteArray next = TestFiles::randomBytes(100000, 17);
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + "next.bin", next));
    NginxServer nginx(rig.serveFolder(), slowly());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(rig.queue("setup", nginx.url("setup.exe"), Size, PackSize));
    QVERIFY(rig.queue("next", nginx.url("next.bin"), next.size(), PackSize));
    QSignalSpy reset(&rig.engine, &Engine::displayReset);
    QSignalSpy action(&rig.engine, &Engine::actionChanged);

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(pieceSize(rig, 0) > 0, TimeoutMs);
    rig.engine.cancelRunning();
    QVERIFY(rig.store.cancel("setup"));

    QVERIFY(!QFileInfo::exists(rig.receiveFolder("setup")));
    QVERIFY(!rig.engine.isDownloading());
    QCOMPARE(reset.count(), 1);
    QCOMPARE(action.last(), QVariantList({false, "Pause"}));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);
    QCOMPARE(rig.finished.at(0).at(0).toString(), "next");
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "next.bin"), TestFiles::sha256(next));
    QVERIFY(!QFileInfo::exists(rig.downloadFolder() + "setup.exe"));
}

QTEST_GUILESS_MAIN(tst_PauseResume)
#include "tst_PauseResume.moc"
