#include "EngineRig.h"
#include "FtpServer.h"
#include "TestFiles.h"

#include <QDateTime>
#include <QFileInfo>
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

// A file served over FTP and queued as "setup" the way the new-project dialog queues an FTP
// URL: without its scheme, "Type:1".
struct FtpProject
{
    FtpProject(qint64 size, const FtpOptions &options, const Engine::Intervals &intervals)
        : rig(intervals), bytes(TestFiles::randomBytes(size, quint32(size))),
          server(rig.serveFolder(), options)
    {
        if (!TestFiles::writeFile(rig.serveFolder() + "setup.exe", bytes) || !server.start())
            return;
        ProjectRecord record = EngineRig::record(url(), size, rig.downloadFolder(), PackSize);
        record.type = "1";
        queued = rig.store.createProject("setup", record);
    }

    QString url() const { return server.url("setup.exe").mid(6); }
    QString piece(qint64 pack) const
    {
        return rig.receiveFolder("setup") + QStringLiteral("setup(%1).qfd").arg(pack);
    }
    bool downloaded() const
    {
        return TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe") ==
               TestFiles::sha256(bytes);
    }
    int count(const QString &prefix) const { return int(server.commands().filter(prefix).size()); }
    QStringList captions(int slot) const
    {
        QStringList captions;
        for (const QList<QVariant> &signal : slotCaptions) {
            if (signal.at(0).toInt() == slot)
                captions << signal.at(1).toString();
        }
        return captions;
    }

    EngineRig rig;
    QByteArray bytes;
    FtpServer server;
    QSignalSpy slotCaptions{&rig.engine, &Engine::slotStatusChanged};
    bool queued = false;
};

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
    FtpOptions options;
    options.refusePort = refusePort;
    FtpProject project(size, options, EngineRig::fastIntervals());
    QVERIFY2(project.queued, qPrintable(project.server.errorString()));

    project.rig.engine.startQueue();

    QTRY_COMPARE_WITH_TIMEOUT(project.rig.finished.count(), 1, TimeoutMs);
    QVERIFY(project.downloaded());
    QCOMPARE(project.rig.packLogLines("setup"), project.rig.completeLines("setup", "setup", packs));
    QCOMPARE(project.rig.projectFile("setup", "project.qfd"),
             project.rig.finishedRecord(project.url(), size, PackSize).replace("Type:0", "Type:1"));
    QCOMPARE(project.captions(4), QStringList({"Initialising", "Unused with FTP servers."}));
    for (int slot = 1; slot <= 3; ++slot)
        QCOMPARE(project.captions(slot).filter("Downloading (").isEmpty(), slot > packs);
    // Once a slot found passive mode working, the others use it too.
    if (refusePort)
        QVERIFY(project.count("PORT ") <= 3);
    QVERIFY(project.rig.messages.isEmpty());
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
    FtpOptions options;
    // 262144 bytes at once, then 131072 every two seconds: every pack is still arriving.
    options.rateLimit = 100000;
    Engine::Intervals intervals = EngineRig::fastIntervals();
    intervals.stallMs = 20000; // longer than the server's pauses
    FtpProject project(1300000, options, intervals);
    QVERIFY2(project.queued, qPrintable(project.server.errorString()));
    EngineRig &rig = project.rig;

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(project.piece(0)).size() > 0 &&
                                 QFileInfo(project.piece(1)).size() > 0 &&
                                 QFileInfo(project.piece(2)).size() > 0,
                             TimeoutMs);
    closeProgram ? rig.engine.shutdown() : rig.engine.togglePause();

    QStringList rests; // each begun pack continues after the bytes its piece holds
    for (qint64 pack = 0; pack < 3; ++pack) {
        if (rig.packLogLines("setup").contains(project.piece(pack).toUtf8() + ":0\r\n"))
            rests << "REST " +
                         QString::number(pack * PackSize + QFileInfo(project.piece(pack)).size());
    }
    QVERIFY(!rests.isEmpty());
    for (int slot = 1; slot <= 3 && !closeProgram; ++slot)
        QCOMPARE(project.captions(slot).constLast(), "Pause...");
    QTRY_COMPARE_WITH_TIMEOUT(project.count("QUIT"), project.count("User anonymous"), TimeoutMs);
    project.server.clearCommands();

    NextRun next(rig, intervals);
    closeProgram ? next.engine.resumeInterrupted() : rig.engine.togglePause();
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count() + next.finished.count(), 1, TimeoutMs);

    QVERIFY(project.downloaded());
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", 3));
    for (const QString &rest : rests)
        QVERIFY2(project.server.commands().contains(rest), qPrintable(rest));
    QCOMPARE(project.captions(4), QStringList({"Initialising", "Unused with FTP servers."}));
}

QTEST_GUILESS_MAIN(tst_FtpDownload)
#include "tst_FtpDownload.moc"
