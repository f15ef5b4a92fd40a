#include "EngineRig.h"
#include "FtpServer.h"
#include "TestFiles.h"

#include <QFileInfo>
#include <QMap>
#include <QTest>

// Whole FTP downloads through the engine against a real FTP server: three slots end with the
// file byte for byte while slot 4 stays unused, a server without active mode is served in
// passive mode, and a pause or a closed program continues each begun pack from the byte after
// its saved length.
class tst_FtpDownload final : public QObject
{
    Q_OBJECT

private slots:
    void downloadsOverThreeSlots_data();
    void downloadsOverThreeSlots();
    void continuesBegunPacksAfterTheirSavedLength_data();
    void continuesBegunPacksAfterTheirSavedLength();
};

namespace {

constexpr qint64 PackSize = 512000;
constexpr int TimeoutMs = 120000;
const QString Unused = QStringLiteral("Unused with FTP servers.");

// The pauses of a throttled server are longer than the rig's stall interval.
Engine::Intervals patientIntervals()
{
    Engine::Intervals intervals = EngineRig::fastIntervals();
    intervals.stallMs = 20000;
    return intervals;
}

QByteArray serve(EngineRig &rig, qint64 size)
{
    const QByteArray bytes = TestFiles::randomBytes(size, quint32(size));
    return TestFiles::writeFile(rig.serveFolder() + "setup.exe", bytes) ? bytes : QByteArray();
}

// Queues "setup" as the new-project dialog does for an FTP URL: without its scheme, "Type:1".
bool queueFtp(EngineRig &rig, const FtpServer &server, qint64 size)
{
    ProjectRecord record =
        EngineRig::record(server.url("setup.exe").mid(6), size, rig.downloadFolder(), PackSize);
    record.type = "1";
    return rig.store.createProject("setup", record);
}

qint64 pieceSize(const EngineRig &rig, qint64 pack)
{
    return QFileInfo(rig.receiveFolder("setup") + QStringLiteral("setup(%1).qfd").arg(pack)).size();
}

QStringList captionsOf(const QSignalSpy &slotCaptions, int slot)
{
    QStringList captions;
    for (const QList<QVariant> &signal : slotCaptions) {
        if (signal.at(0).toInt() == slot)
            captions << signal.at(1).toString();
    }
    return captions;
}

int countOf(const QStringList &commands, const QString &prefix)
{
    return int(std::count_if(commands.cbegin(), commands.cend(),
                             [&](const QString &command) { return command.startsWith(prefix); }));
}

// The begun packs of the pack log, each with the bytes its piece holds.
QMap<qint64, qint64> begunPacks(const EngineRig &rig, qint64 packs)
{
    QMap<qint64, qint64> begun;
    const QSet<QByteArray> lines = rig.packLogLines("setup");
    for (qint64 pack = 0; pack < packs; ++pack) {
        const QString piece =
            rig.receiveFolder("setup") + QStringLiteral("setup(%1).qfd").arg(pack);
        if (lines.contains(piece.toUtf8() + ":0\r\n"))
            begun.insert(pack, pieceSize(rig, pack));
    }
    return begun;
}

} // namespace

void tst_FtpDownload::downloadsOverThreeSlots_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("refusePort");
    QTest::newRow("one pack") << PackSize << false;
    QTest::newRow("1 300 000 bytes") << qint64(1300000) << false;
    QTest::newRow("32 MiB") << qint64(32 * 1024 * 1024) << false;
    QTest::newRow("PORT refused: passive mode") << qint64(1300000) << true;
}

void tst_FtpDownload::downloadsOverThreeSlots()
{
    QFETCH(qint64, size);
    QFETCH(bool, refusePort);
    const qint64 packs = (size + PackSize - 1) / PackSize;
    EngineRig rig;
    const QByteArray bytes = serve(rig, size);
    FtpOptions options;
    options.refusePort = refusePort;
    FtpServer server(rig.serveFolder(), options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(queueFtp(rig, server, size));
    QSignalSpy slotCaptions(&rig.engine, &Engine::slotStatusChanged);

    rig.engine.startQueue();

    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", packs));
    QCOMPARE(rig.projectFile("setup", "project.qfd"),
             rig.finishedRecord(server.url("setup.exe").mid(6), size, PackSize)
                 .replace("Type:0", "Type:1"));
    QCOMPARE(captionsOf(slotCaptions, 4), QStringList({"Initialising", Unused}));
    for (int slot = 1; slot <= 3; ++slot) {
        const bool busy = slot <= packs;
        QCOMPARE(captionsOf(slotCaptions, slot).filter("Downloading (").isEmpty(), !busy);
    }
    // Once a slot found passive mode working, the others use it too.
    if (refusePort)
        QVERIFY(countOf(server.commands(), "PORT ") <= 3);
    QVERIFY(rig.messages.isEmpty());
}

void tst_FtpDownload::continuesBegunPacksAfterTheirSavedLength_data()
{
    QTest::addColumn<bool>("closeProgram");
    QTest::newRow("pause and resume") << false;
    QTest::newRow("close and start again") << true;
}

void tst_FtpDownload::continuesBegunPacksAfterTheirSavedLength()
{
    QFETCH(bool, closeProgram);
    constexpr qint64 Size = 1300000;
    constexpr qint64 Packs = 3;
    EngineRig rig(patientIntervals());
    const QByteArray bytes = serve(rig, Size);
    FtpOptions options;
    // 262144 bytes at once, then 131072 every two seconds: every pack is still arriving.
    options.rateLimit = 100000;
    FtpServer server(rig.serveFolder(), options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(queueFtp(rig, server, Size));
    QSignalSpy slotCaptions(&rig.engine, &Engine::slotStatusChanged);

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(
        pieceSize(rig, 0) > 0 && pieceSize(rig, 1) > 0 && pieceSize(rig, 2) > 0, TimeoutMs);
    if (closeProgram)
        rig.engine.shutdown();
    else
        rig.engine.togglePause();

    const QMap<qint64, qint64> begun = begunPacks(rig, Packs);
    QVERIFY(!begun.isEmpty());
    for (int slot = 1; slot <= 3 && !closeProgram; ++slot)
        QCOMPARE(captionsOf(slotCaptions, slot).constLast(), "Pause...");
    QTRY_COMPARE_WITH_TIMEOUT(countOf(server.commands(), "QUIT"),
                              countOf(server.commands(), "User anonymous"), TimeoutMs);
    server.clearCommands();

    std::unique_ptr<NextRun> next;
    if (closeProgram) {
        next = std::make_unique<NextRun>(rig, patientIntervals());
        next->engine.resumeInterrupted();
        QTRY_COMPARE_WITH_TIMEOUT(next->finished.count(), 1, TimeoutMs);
    } else {
        rig.engine.togglePause();
        QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);
    }

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", Packs));
    const QStringList commands = server.commands();
    for (auto pack = begun.cbegin(); pack != begun.cend(); ++pack) {
        const QString rest = "REST " + QString::number(pack.key() * PackSize + pack.value());
        QVERIFY2(commands.contains(rest), qPrintable(rest + " in " + commands.join(", ")));
    }
    QVERIFY(!captionsOf(slotCaptions, 4).contains("Pause..."));
    QCOMPARE(captionsOf(slotCaptions, 4).constLast(), Unused);
}

QTEST_GUILESS_MAIN(tst_FtpDownload)
#include "tst_FtpDownload.moc"
