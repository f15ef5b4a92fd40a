#include "platform/SingleInstance.h"
#include "ui/InstanceRule.h"

#include "ShellHarness.h"

#include <QProcess>

class tst_SingleInstanceRule final : public QObject
{
    Q_OBJECT

private slots:
    void secondCopyEnds_data();
    void secondCopyEnds();
    void secondProgramWithAnArgumentEndsAtOnce();
};

void tst_SingleInstanceRule::secondCopyEnds_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("messages");
    QTest::newRow("started by the user") << QStringList() << 1;
    QTest::newRow("started with an argument") << QStringList{"--ZRK--"} << 0;
}

void tst_SingleInstanceRule::secondCopyEnds()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, messages);
    TestHome home;
    RecordingPresenter presenter;
    SingleInstance first(home.dataFolder());
    QVERIFY(claimSingleInstance(first, arguments, presenter));
    QVERIFY(presenter.shown.isEmpty());

    SingleInstance second(home.dataFolder());
    QVERIFY(!claimSingleInstance(second, arguments, presenter));
    const RecordingPresenter::Message refusal{
        QStringLiteral("critical"),
        QStringLiteral("You cannot open Quillfetch twice at the same time !"),
        QStringLiteral("Error")};
    QCOMPARE(presenter.shown, QList<RecordingPresenter::Message>(messages, refusal));
}

// The real program, started the way the hand-off client starts it while a copy runs: it ends
// before its start-up writes anything.
void tst_SingleInstanceRule::secondProgramWithAnArgumentEndsAtOnce()
{
    TestHome home;
    SingleInstance running(home.dataFolder());
    QVERIFY(running.acquire());
    const QString program = qEnvironmentVariable("QF_BINARY_DIR") + "/src/app/Quillfetch";
    QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program + " is not built"));

    QProcess second;
    second.setProcessEnvironment(home.environment());
    QSignalSpy finished(&second, &QProcess::finished);
    second.start(program, {QStringLiteral("--ZRK--")});
    QVERIFY(finished.wait(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(home.configFolder() + QStringLiteral("Quillfetch/Quillfetch.conf")));
}

QTEST_MAIN(tst_SingleInstanceRule)
#include "tst_SingleInstanceRule.moc"
