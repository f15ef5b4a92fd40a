#include "EngineRig.h"
#include "NginxServer.h"
#include "TestFiles.h"

#include "store/ElapsedRecord.h"

#include <QFileInfo>
#include <QTest>

#include <optional>

// A download interrupted while every pack is in flight (nginx sends each slowly) and then taken
// up again: it ends with the whole file byte for byte, a pack log of one ":1" line per pack, and
// each pack not yet complete asked for once more from the bytes its piece held, never from 0.
class tst_PauseResume final : public QObject
{
    Q_OBJECT

private slots:
    void continuesFromWhatItHolds_data();
    void continuesFromWhatItHolds();
    void unresolvableHostPausesUntilCancelled();
};

namespace {

constexpr qint64 PackSize = 256000;
constexpr qint64 Size = 3000000; // 12 packs, the last one short
constexpr qint64 Packs = 12;
constexpr int TimeoutMs = 60000;

QString piece(const EngineRig &rig, qint64 pack)
{
    return rig.receiveFolder("setup") + QStringLiteral("setup(%1).qfd").arg(pack);
}

qint64 pieceSize(const EngineRig &rig, qint64 pack)
{
    return QFileInfo(piece(rig, pack)).size();
}

// The Range of each pack the log does not name complete, from the bytes its piece holds.
QStringList rangesStillToAsk(const EngineRig &rig)
{
    const QSet<QByteArray> lines = rig.packLogLines("setup");
    QStringList ranges;
    for (qint64 pack = 0; pack < Packs; ++pack) {
        if (!lines.contains(piece(rig, pack).toUtf8() + ":1\r\n"))
            ranges << QStringLiteral("bytes=%1-%2")
                          .arg(pack * PackSize + pieceSize(rig, pack))
                          .arg(qMin((pack + 1) * PackSize, Size));
    }
    ranges.sort();
    return ranges;
}

bool noLineTwice(const EngineRig &rig)
{
    return rig.projectFile("setup", "download.qfd").count('\n') == rig.packLogLines("setup").size();
}

} // namespace

void tst_PauseResume::continuesFromWhatItHolds_data()
{
    QTest::addColumn<int>("withData"); // act once this pack holds data; -1: as slot 4 asks
    QTest::addColumn<int>("toggles");  // presses of "Pause" / "Resume"
    QTest::addColumn<bool>("close");   // the program closes and starts again
    QTest::addColumn<bool>("serverGone");

    QTest::newRow("paused, resumed and paused at once") << 3 << 3 << false << false;
    QTest::newRow("paused before slot 4 received a byte") << -1 << 0 << false << false;
    QTest::newRow("closed while downloading") << 4 << 0 << true << false;
    QTest::newRow("closed while paused") << 4 << 1 << true << false;
    // Every connection is refused: the download pauses and resumes by itself until it is back.
    QTest::newRow("server gone for a while") << 3 << 0 << false << true;
}

void tst_PauseResume::continuesFromWhatItHolds()
{
    QFETCH(int, withData);
    QFETCH(int, toggles);
    QFETCH(bool, close);
    QFETCH(bool, serverGone);
    EngineRig rig;
    const QByteArray bytes = TestFiles::randomBytes(Size, 11);
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + "setup.exe", bytes));
    NginxServer nginx(rig.serveFolder(), {PackSize, 64000, {}}); // a pack a second
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(rig.queue("setup", nginx.url("setup.exe"), Size, PackSize));
    QSignalSpy overall(&rig.engine, &Engine::overallStatusChanged);
    QSignalSpy action(&rig.engine, &Engine::actionChanged);
    bool asked = false;
    connect(&rig.engine, &Engine::slotStatusChanged, this, [&](int slot, const QString &caption) {
        if (withData >= 0 || asked || slot != 4 || caption != "Sending request...")
            return;
        asked = true;
        QMetaObject::invokeMethod(&rig.engine, &Engine::togglePause, Qt::QueuedConnection);
    });

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(withData >= 0 ? pieceSize(rig, withData) > 0 : rig.engine.isPaused(),
                             TimeoutMs);
    for (int toggle = 0; toggle < toggles; ++toggle)
        rig.engine.togglePause();
    const bool paused = rig.engine.isPaused();
    if (paused) {
        QVERIFY(!rig.engine.speedMeter().isMeasuring());
        QCOMPARE(overall.last(), QVariantList{"Pause..."});
        QCOMPARE(action.last(), QVariantList({true, "Resume"}));
    }
    if (close)
        rig.engine.shutdown();
    if (serverGone) {
        nginx.stop();
        QTRY_VERIFY_WITH_TIMEOUT(overall.count({"Pause..."}) >= 3, TimeoutMs);
        QVERIFY(overall.contains({"Connection lost, retrying in 1 s..."})); // the wait, rounded up
        QTRY_VERIFY_WITH_TIMEOUT(overall.count({"Downloading..."}) >= 4, TimeoutMs);
    }
    QVERIFY(noLineTwice(rig));
    const QStringList expected = rangesStillToAsk(rig);
    const std::optional<ElapsedClock> clock =
        ElapsedClock::parse(rig.projectFile("setup", "infos.qfd"));
    if (close) // a piece of a pack not begun yet, left by a crash: none of it may reach the file
        QVERIFY(TestFiles::writeFile(piece(rig, Packs - 1), "stale bytes"));
    // Requests already sent may be logged late: nginx starts afresh for what follows.
    nginx.stop();
    nginx.clearAccessLog();
    QVERIFY2(nginx.restart(), qPrintable(nginx.errorString()));

    std::optional<NextRun> run;
    if (close) {
        run.emplace(rig);
        run->engine.resumeInterrupted();
        QVERIFY(clock.has_value());
        QCOMPARE(run->engine.speedMeter().elapsed(), *clock);
    } else if (paused) {
        rig.engine.togglePause();
        QCOMPARE(overall.last(), QVariantList{"Downloading..."});
        QCOMPARE(action.last(), QVariantList({true, "Pause"}));
    }
    QTRY_COMPARE_WITH_TIMEOUT((run ? run->finished : rig.finished).count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", Packs));
    QVERIFY(noLineTwice(rig));
    QCOMPARE(rig.projectFile("setup", "project.qfd"),
             rig.finishedRecord(nginx.url("setup.exe"), Size, PackSize));
    QVERIFY(rig.messages.isEmpty() && (!run || run->messages.isEmpty()));
    QTRY_COMPARE_WITH_TIMEOUT(sortedRanges(nginx), expected, TimeoutMs);
}

// A host that cannot be found: the four slots fail together and the user reads the message
// once, with the download paused; after "Resume" the next failure is reported again. Cancelled,
// the project leaves nothing behind and the next one starts.
void tst_PauseResume::unresolvableHostPausesUntilCancelled()
{
    EngineRig rig;
    const QByteArray next = TestFiles::randomBytes(100000, 17);
    QVERIFY(TestFiles::writeFile(rig.serveFolder() + "next.bin", next));
    NginxServer nginx(rig.serveFolder());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    // A label this long is refused before any name server is asked: nothing leaves the machine.
    QVERIFY(rig.queue("setup", QString(64, 'a') + ".invalid/setup.exe", Size, PackSize));
    QVERIFY(rig.queue("next", nginx.url("next.bin"), next.size(), PackSize));
    QSignalSpy action(&rig.engine, &Engine::actionChanged);
    const QVariantList message = {
        "Please check your Internet connection and then click on the resume button !", "Error"};

    rig.engine.startQueue();
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 1, TimeoutMs);
    QVERIFY(!rig.messages.wait(200));
    QVERIFY(rig.engine.isPaused());
    QCOMPARE(action.last(), QVariantList({true, "Resume"}));
    rig.engine.togglePause();
    QTRY_COMPARE_WITH_TIMEOUT(rig.messages.count(), 2, TimeoutMs);
    QCOMPARE(rig.messages, QList<QVariantList>({message, message}));
    QVERIFY(rig.engine.isPaused());

    rig.engine.cancelRunning();
    QVERIFY(rig.store.cancel("setup"));
    QVERIFY(!QFileInfo::exists(rig.receiveFolder("setup")));
    QCOMPARE(action.last(), QVariantList({false, "Pause"}));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);
    QCOMPARE(rig.finished.at(0), QVariantList{"next"});
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "next.bin"), TestFiles::sha256(next));
}

QTEST_GUILESS_MAIN(tst_PauseResume)
#include "tst_PauseResume.moc"
