#include "EngineRig.h"
#include "FaultServer.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

// The controls around a running download: pause and resume, closing the program, cancelling.
class tst_EngineControl final : public QObject
{
    Q_OBJECT

private slots:
    void pauseAndResumeEndWithTheWholeFile();
    void shutdownRecordsUnfinishedPacks();
    void cancelRemovesTheReceiveFolderAndStartsTheNext();

private:
    static constexpr int TimeoutMs = 60000;
};

namespace {

// Serves a file slowly enough that the test acts while its packs arrive.
QByteArray serveSlowly(FaultServer &server, const QString &path, quint32 seed)
{
    const QByteArray bytes = TestFiles::randomBytes(300000, seed);
    server.addFile(path, bytes);
    server.setSlowBody(4096, 20);
    server.addFault(FaultServer::SlowBody, 100,
                    [path](const FaultServer::Request &request) { return request.path == path; });
    return bytes;
}

bool hasData(const QString &piece)
{
    return QFileInfo(piece).size() > 0;
}

} // namespace

void tst_EngineControl::pauseAndResumeEndWithTheWholeFile()
{
    EngineRig rig;
    FaultServer server;
    const QByteArray bytes = serveSlowly(server, "/setup.exe", 3);
    QVERIFY(rig.queue("setup", server.url("setup.exe"), bytes.size(), 65536));
    QSignalSpy slotCaptions(&rig.engine, &Engine::slotStatusChanged);
    QSignalSpy overall(&rig.engine, &Engine::overallStatusChanged);

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(hasData(rig.receiveFolder("setup") + "setup(0).qfd"), TimeoutMs);
    rig.engine.togglePause();

    QVERIFY(rig.engine.isPaused());
    QCOMPARE(overall.last().at(0).toString(), "Pause...");
    for (int slot = 1; slot <= 4; ++slot)
        QVERIFY(slotCaptions.contains(QVariantList({slot, "Pause..."})));
    rig.engine.togglePause();
    QCOMPARE(overall.last().at(0).toString(), "Downloading...");
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);

    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "setup.exe"), TestFiles::sha256(bytes));
    QCOMPARE(rig.packLogLines("setup"), rig.completeLines("setup", "setup", 5));
}

void tst_EngineControl::shutdownRecordsUnfinishedPacks()
{
    EngineRig rig;
    FaultServer server;
    const QByteArray bytes = serveSlowly(server, "/setup.exe", 4);
    QVERIFY(rig.queue("setup", server.url("setup.exe"), bytes.size(), 65536));

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(hasData(rig.receiveFolder("setup") + "setup(3).qfd"), TimeoutMs);
    rig.engine.shutdown();

    QSet<QByteArray> partial;
    for (int pack = 0; pack < 4; ++pack)
        partial.insert(QStringLiteral("%1setup(%2).qfd:0\r\n")
                           .arg(rig.receiveFolder("setup"))
                           .arg(pack)
                           .toUtf8());
    QCOMPARE(rig.packLogLines("setup"), partial);
    QVERIFY(QRegularExpression("\\Asec:\\d+\\r\\nmin:\\d+\\r\\nh:\\d+\\r\\n\\z")
                .match(QString::fromUtf8(rig.projectFile("setup", "infos.qfd")))
                .hasMatch());
    QVERIFY(rig.projectFile("setup", "project.qfd").endsWith("status:0\r\n"));
}

void tst_EngineControl::cancelRemovesTheReceiveFolderAndStartsTheNext()
{
    EngineRig rig;
    FaultServer server;
    const QByteArray slow = serveSlowly(server, "/slow.bin", 5);
    const QByteArray next = TestFiles::randomBytes(100000, 6);
    server.addFile("/next.bin", next);
    QVERIFY(rig.queue("slow", server.url("slow.bin"), slow.size(), 65536));
    QVERIFY(rig.queue("next", server.url("next.bin"), next.size(), 65536));
    QSignalSpy reset(&rig.engine, &Engine::displayReset);
    QSignalSpy action(&rig.engine, &Engine::actionChanged);

    rig.engine.startQueue();
    QTRY_VERIFY_WITH_TIMEOUT(hasData(rig.receiveFolder("slow") + "slow(0).qfd"), TimeoutMs);
    rig.engine.cancelRunning();
    QVERIFY(rig.store.cancel("slow"));

    QVERIFY(!QFileInfo::exists(rig.receiveFolder("slow")));
    QVERIFY(!rig.engine.isDownloading());
    QCOMPARE(reset.count(), 1);
    QCOMPARE(action.last(), QVariantList({false, "Pause"}));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished.count(), 1, TimeoutMs);
    QCOMPARE(rig.finished.at(0).at(0).toString(), "next");
    QCOMPARE(TestFiles::sha256OfFile(rig.downloadFolder() + "next.bin"), TestFiles::sha256(next));
    QVERIFY(!QFileInfo::exists(rig.downloadFolder() + "slow.bin"));
}

QTEST_GUILESS_MAIN(tst_EngineControl)
#include "tst_EngineControl.moc"
