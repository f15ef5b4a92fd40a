#include "platform/SingleInstance.h"
#include "ui/InstanceRule.h"

#include "ShellHarness.h"

#include <QProcess>

class tst_SingleInstanceRule final : public QObject
{
    Q_OBJECT

private slots:
    void firstCopyRunsWithoutAMessage();
    void secondCopyStartedByTheUserSaysWhy();
    void secondCopyWithAnArgumentEndsSilently();
    void secondProgramWithAnArgumentEndsAtOnce();
};

void tst_SingleInstanceRule::firstCopyRunsWithoutAMessage()
{
    TestHome home;
    RecordingPresenter messages;
    SingleInstance first(home.dataFolder());
    QVERIFY(claimSingleInstance(first, {}, messages));
    QVERIFY(messages.shown.isEmpty());
}

void tst_SingleInstanceRule::secondCopyStartedByTheUserSaysWhy()
{
    TestHome home;
    RecordingPresenter messages;
    SingleInstance first(home.dataFolder());
    QVERIFY(first.acquire());
    SingleInstance second(home.dataFolder());
    QVERIFY(!claimSingleInstance(second, {}, messages));
    const RecordingPresenter::Message expected{
        QStringLiteral("critical"),
        QStringLiteral("You cannot open Quillfetch twice at the same time !"),
        QStringLiteral("Error")};
    QCOMPARE(messages.shown, QList{expected});
}

void tst_SingleInstanceRule::secondCopyWithAnArgumentEndsSilently()
{
    TestHome home;
    RecordingPresenter messages;
    SingleInstance first(home.dataFolder());
    QVERIFY(first.acquire());
    SingleInstance second(home.dataFolder());
    QVERIFY(!claimSingleInstance(second, {QStringLiteral("--ZRK--")}, messages));
    QVERIFY(messages.shown.isEmpty());
}

// The real program, started the way the hand-off client starts it while a copy runs.
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
