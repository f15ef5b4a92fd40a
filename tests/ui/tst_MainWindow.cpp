#include "ShellHarness.h"

#include "SilentServer.h"
#include "platform/BrowserMenu.h"
#include "platform/SingleInstance.h"
#include "ui/AboutPage.h"
#include "ui/BrowserMenuOption.h"
#include "ui/InstanceRule.h"
#include "ui/OptionsDialog.h"
#include "ui/PercentBar.h"

namespace {

const QString FirstRun = "information|Quillfetch|Quillfetch has detected that you have not "
                         "configured your options. Please config them before downloading !";
const QString Refusal = "information|Quillfetch|You cannot access to this menu during a download !";

} // namespace

class tst_MainWindow final : public QObject
{
    Q_OBJECT

private slots:
    void firstRunWaitsUntilNoProjectRuns();
    void startUpBoxesAndExit();
    void secondCopyEnds();
};

// A project left running is resumed on the Download tab, whatever the start tab, and holds the
// options back (the menu is refused too). The displays show what the engine reports; the cancel
// puts every one back to idle. Once no project runs, the first run asks for the options, once.
void tst_MainWindow::firstRunWaitsUntilNoProjectRuns()
{
    ShellHarness shell(20, false);
    shell.settings.setOnStartTab(true);
    shell.addProject("Alpha", "127.0.0.1:1/a.bin", 0);
    MainWindow &window = shell.start();
    QCOMPARE(window.Menu->currentIndex(), 2);
    QTRY_COMPARE(shell.engine.currentProject(), "Alpha");
    QCOMPARE(shell.settingsFile.value("options/AppPath").toString(), shell.home.root() + "bin");
    window.Mnu_Options->trigger();
    QCOMPARE(shell.messages.shown, QStringList{Refusal});

    const auto shown = [&shell, &window] {
        QStringList texts{window.windowTitle(), shell.find<PercentBar>("Barre")->text(),
                          shell.find<PercentBar>("Barre4")->text()};
        for (const char *name :
             {"Lbl_Paquet", "Lbl_Paquet_2", "Lbl_Taille", "Lbl_Taille2", "Lbl_Time", "Lbl_Time_R",
              "Lbl_Vitesse_M2", "Lbl_Vitesse_MM", "Lbl_Vitesse_I", "Lbl_Status_w1", "Lbl_Status_w2",
              "Lbl_Status_w3", "Lbl_Status_w4", "Lbl_Status_B", "Cmd_Action"})
            texts << shell.find<QWidget>(name)->property("text").toString();
        return texts;
    };
    shell.showSomeProgress();
    QCOMPARE(shown(),
             (QStringList{"42% - Quillfetch", "42%", "20%", "2 times 500.00 Kb and 269.53 Kb",
                          "0 times 500.00 Kb", "1.27 Mb", "548.83 Kb", "00:00:12", "00:00:16",
                          "360 Kbit/s", "45.00 Kb/s", "52.00 Kb/s", "Pause...", "Pause...",
                          "Pause...", "Pause...", "Pause...", "Resume"}));
    QVERIFY(shell.find<QPushButton>("Cmd_Action")->isEnabled());
    shell.engine.cancelRunning();
    QCOMPARE(shown(),
             (QStringList{"Quillfetch", "%", "%", "Nothing", "Nothing", "0 Bytes", "0 Bytes",
                          "00:00:00", "00:00:00", "0.0 Kbits/s", "0.00 Kb/s", "0.00 Kb/s",
                          "Nothing", "Nothing", "Nothing", "Nothing", "Nothing", "Pause"}));
    QVERIFY(shell.store.cancel("Alpha"));
    QTRY_VERIFY(shell.options->dialog() != nullptr);
    QCOMPARE(shell.messages.shown, (QStringList{Refusal, FirstRun}));
    OptionsDialog *options = shell.options->dialog();
    QVERIFY(options->isVisible() && !window.isEnabled());
    QTest::mouseClick(options->Cmd_OK, Qt::LeftButton);
    QVERIFY(window.isEnabled());
    shell.start(); // a restart finds the options configured
    QCOMPARE(shell.messages.shown.size(), 2);
    QVERIFY(shell.options->dialog() == nullptr);
}

// Started with the session the window is minimised, yet reachable without a notification area,
// and the queue starts on the Projects tab; Gamma is listed but its record cannot be read: it is
// named once and left out. The option boxes act at once. Exit shows the notice and shuts down
// once; the next run opens where this one closed.
void tst_MainWindow::startUpBoxesAndExit()
{
    SilentServer server;
    ShellHarness shell(20);
    shell.settings.setOnStartTab(true);
    shell.addProject("Beta", server.url("beta.bin"), 1);
    shell.addProject("Gamma", server.url("gamma.bin"), 1);
    const QString broken = shell.store.paths().recordPath("Gamma");
    QVERIFY(QFile::resize(broken, 10));
    MainWindow &window = shell.start({"-Startwin-"});
    QVERIFY(window.isMinimized() && window.isVisible());
    QCOMPARE(window.Menu->currentIndex(), 1);
    QTRY_COMPARE(shell.engine.currentProject(), "Beta");
    shell.find<QCheckBox>("ChK_Tray")->click();
    QCOMPARE(shell.settingsFile.value("options/Tray").toString(), "0");
    shell.find<QCheckBox>("ChK_Start")->click();
    QCOMPARE(shell.settingsFile.value("options/OnStartTab").toString(), "0");

    shell.find<QCheckBox>("ChK_Startwindows")->click();
    QVERIFY(QFile::exists(shell.autostart.entryPath()));

    const QString profile = shell.home.configFolder() + "chromium";
    QVERIFY(QDir().mkpath(profile));
    BrowserMenu browsers("/opt/Quillfetch/Catchlink",
                         {{BrowserMenu::Family::Chromium, profile, profile + "/Hosts"}});
    BrowserMenuOption option(*shell.window->aboutPage(), browsers, "/opt/ext", shell.messages);
    QCheckBox *browserMenu = shell.find<QCheckBox>("ChK_IEMenu");
    QCOMPARE(browserMenu->text(), "Add to the browsers' link menu");
    browserMenu->click();
    QVERIFY(FileIo::read(profile + "/Hosts/com.quillfetch.catchlink.json")
                .value_or("")
                .contains("chrome-extension://ohnfpbheefahocbbgogakplikmphllcf/"));
    browserMenu->click();
    QCOMPARE(shell.messages.shown,
             QStringList({"critical|Error|Unable to read the file " + broken + " !",
                          "information|Information|The browser menu entry is installed.",
                          "information|Information|The browser menu entry is removed."}));

    const QRect closedAt(QPoint(40, 30), window.size() + QSize(50, 20));
    window.setGeometry(closedAt);
    QSignalSpy done(&window, &MainWindow::shutdownComplete);
    window.Mnu_Exit->trigger();

    QVERIFY(!window.isEnabled());
    QVERIFY(shell.find<QWidget>("Form5")->isVisible());
    QVERIFY(done.wait(5000));
    window.close();
    QCOMPARE(done.count(), 1);
    QCOMPARE(shell.start().geometry(), closedAt);
}

// A second copy started by the user is told; one started with an argument (the hand-off client
// starts it so) ends at once, before its start-up writes anything.
void tst_MainWindow::secondCopyEnds()
{
    TestHome home;
    RecordingPresenter presenter;
    SingleInstance first(home.dataFolder());
    QVERIFY(claimSingleInstance(first, {}, presenter));
    SingleInstance second(home.dataFolder());
    QVERIFY(!claimSingleInstance(second, {}, presenter));
    QCOMPARE(presenter.shown,
             QStringList{"critical|Error|You cannot open Quillfetch twice at the same time !"});

    const QString program = qEnvironmentVariable("QF_BINARY_DIR") + "/src/app/Quillfetch";
    QProcess copy;
    copy.setProcessEnvironment(home.environment());
    QSignalSpy finished(&copy, &QProcess::finished);
    copy.start(program, {"--ZRK--"});
    QVERIFY2(finished.wait(10000), qPrintable(program + " did not end"));
    QVERIFY(copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 0);
    QVERIFY(!QFileInfo::exists(home.configFolder() + "Quillfetch/Quillfetch.conf"));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_MainWindow.moc"
