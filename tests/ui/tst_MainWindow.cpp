#include "ShellHarness.h"

#include "SilentServer.h"
#include "platform/BrowserMenu.h"
#include "platform/SingleInstance.h"
#include "ui/AboutPage.h"
#include "ui/BarOptionsFrame.h"
#include "ui/BrowserMenuOption.h"
#include "ui/GraphView.h"
#include "ui/InstanceRule.h"
#include "ui/MainOptionsFrame.h"
#include "ui/OptionsDialog.h"
#include "ui/StatsWindow.h"

namespace {

const QString FirstRun = "information|Quillfetch|Quillfetch has detected that you have not "
                         "configured your options. Please config them before downloading !";

// A right click as the user makes it: a context-menu event on the row (0: off the rows).
void rightClick(QTreeWidget *list, int row)
{
    const QPoint position = row > 0 ? list->visualItemRect(list->topLevelItem(row - 1)).center()
                                    : list->viewport()->rect().bottomLeft();
    QContextMenuEvent event(QContextMenuEvent::Mouse, position,
                            list->viewport()->mapToGlobal(position));
    QApplication::sendEvent(list->viewport(), &event);
}

// A right click on the row, then a click on an entry of the menu it opened.
void choose(ShellHarness &shell, QTreeWidget *list, int row, const char *entry)
{
    rightClick(list, row);
    QAction *action = shell.find<QAction>(QLatin1String(entry));
    auto *menu = qobject_cast<QMenu *>(action->parent());
    QVERIFY(menu->isVisible() && action->isEnabled());
    menu->hide();
    action->trigger();
}

QStringList column(QTreeWidget *list, int column)
{
    QStringList texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        texts.append(list->topLevelItem(row)->text(column));
    return texts;
}

} // namespace

class tst_MainWindow final : public QObject
{
    Q_OBJECT

private slots:
    void firstRunWaitsUntilNoProjectRuns();
    void startUpBoxesAndExit();
    void secondCopyEnds();
    void listsAndWhatTheirMenusDo();
};

// A project left running is resumed on the Download tab, whatever the start tab, and holds the
// options back but its speed limit, which holds at once. The displays show what the engine
// reports; the cancel puts every one back to idle. Once no project runs, the first run asks for
// the options, once.
void tst_MainWindow::firstRunWaitsUntilNoProjectRuns()
{
    ShellHarness shell(20);
    shell.settingsFile.clear(); // the first run
    shell.settings.setOnStartTab(true);
    shell.addProject("Alpha", "127.0.0.1:1/a.bin", 0);
    MainWindow &window = shell.start();
    QCOMPARE(window.Menu->currentIndex(), 2);
    QTRY_COMPARE(shell.engine.currentProject(), "Alpha");
    QCOMPARE(shell.settingsFile.value("options/AppPath").toString(), shell.home.root() + "bin");
    window.Mnu_Options->trigger();
    OptionsDialog *limit = shell.options->dialog();
    QVERIFY(limit && limit->isVisible() && !window.isEnabled());
    QVERIFY(!limit->Frm_Main->Opt_Pack_1mb->isEnabled() && !limit->Frm_Barre->isEnabled());
    limit->Frm_Main->Chk_Limit_Speed->click();
    limit->Frm_Main->Txt_Limit_Speed->setText("1.5M");
    QTest::mouseClick(limit->Cmd_OK, Qt::LeftButton);
    QCOMPARE(shell.engine.speedLimit(), 1572864);
    QVERIFY(window.isEnabled() && !shell.settingsFile.contains("options/modemspeed"));
    QTRY_VERIFY(!shell.options->dialog());

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
    QCOMPARE(shell.messages.shown, QStringList{FirstRun});
    OptionsDialog *options = shell.options->dialog();
    QVERIFY(options->isVisible() && !window.isEnabled());
    QTest::mouseClick(options->Cmd_OK, Qt::LeftButton);
    QVERIFY(window.isEnabled());
    shell.start(); // a restart finds the options configured
    QCOMPARE(shell.messages.shown.size(), 1);
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

// The queue, then the finished projects newest first; no menu off the rows. "Show statistics"
// pages through the row's snapshots three at a time in the order they were taken, (1_10) after
// (1_9); a gap and a stray file shift nothing, and the shorter series stays on its last page.
// The queue menu offers only the moves a row can make; each move shows in the list and in the
// file. A question acts only on Yes. A waiting project is cancelled without touching the
// download; the running one stops it. The list and the status say whether it downloads or
// stands paused.
void tst_MainWindow::listsAndWhatTheirMenusDo()
{
    SilentServer server;
    ShellHarness shell(20);
    shell.addProject("Done1", "127.0.0.1:1/d1.bin", 2, 100);
    shell.addProject("Done2", "127.0.0.1:1/d2.bin", 2, 2048);
    shell.addProject("Done3", "127.0.0.1:1/d3.bin", 2);
    const Checksum expected{Checksum::Algorithm::Md5, QByteArray(16, 'e')};
    QVERIFY(FileIo::writeAtomically(
        shell.store.paths().checksumPath("Done3"),
        ChecksumRecord{expected, Checksum{expected.algorithm, {16, 'a'}}}.toText()));
    shell.addProject("Run", server.url("run.bin"), 0);
    for (const QString &name : QStringList{"Wait1", "Wait2", "Wait3"})
        shell.addProject(name, "127.0.0.1:1/" + name, 1);
    QImage picture(5, 5, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QStringList average, instant;
    for (int k = 0; k < 12; ++k) {
        average << QStringLiteral("d2(1_%1).jpg").arg(k);
        if (k < 9)
            instant << QStringLiteral("d2(2_%1).jpg").arg(k < 4 ? k : k + 1);
    }
    for (const QString &name : average + instant + QStringList{"d2(2_x).jpg"})
        QVERIFY(picture.save(shell.store.paths().projectFolder("Done2") + name));
    shell.start();
    QTreeWidget *queue = shell.find<QTreeWidget>("Lst_Main");
    QTreeWidget *finished = shell.find<QTreeWidget>("Lst_Main2");
    QCOMPARE(column(queue, 1), (QStringList{"Run", "Wait1", "Wait2", "Wait3"}));
    QCOMPARE(column(queue, 4), (QStringList{"Downloading", "Waiting", "Waiting", "Waiting"}));
    QLabel *status = shell.find<QLabel>("Lbl_Status_H");
    QCOMPARE(status->text(), "Downloading: Run");
    QCOMPARE(column(finished, 1), (QStringList{"Done3", "Done2", "Done1"}));
    QCOMPARE(finished->topLevelItem(2)->text(3), "100 Bytes");
    QCOMPARE(column(finished, 4), (QStringList{"Failed verification", "Finished", "Finished"}));
    rightClick(queue, 0);
    rightClick(finished, 0);
    QVERIFY(!shell.find<QMenu>("Mnu_Pas_Finit")->isVisible());
    QVERIFY(!shell.find<QMenu>("Mnu_Finished")->isVisible());
    shell.showSomeProgress();
    const QStringList tabs{"main-about", "main-projects", "main-download"};
    for (int tab = 0; tab < tabs.size(); ++tab) {
        shell.window->Menu->setCurrentIndex(tab);
        ShellHarness::saveAndCheck(shell.window.get(), shell.window->Menu->currentWidget(),
                                   tabs.at(tab));
    }

    choose(shell, finished, 2, "Mnu_Stats");
    StatsWindow *stats = nullptr; // a window of its own
    for (QWidget *window : QApplication::topLevelWidgets())
        stats = stats != nullptr ? stats : qobject_cast<StatsWindow *>(window);
    QVERIFY(stats != nullptr && stats->isVisible() && !shell.window->isEnabled());
    ShellHarness::saveAndCheck(stats, stats, "stats-generals");
    stats->TabStrip1->setCurrentIndex(1);
    ShellHarness::saveAndCheck(stats, stats, "stats-graphics");
    const auto shown = [](const std::array<GraphView *, 3> &boxes) {
        QStringList names;
        for (const GraphView *box : boxes)
            names << (box->image().isNull() ? QString() : box->toolTip());
        return names;
    };
    for (int page = 1; page <= 3; ++page)
        stats->Cmd_For_2->click();
    QCOMPARE(shown(stats->Pict_Stats), average.mid(9));
    QCOMPARE(shown(stats->Pict_Stats2), instant.mid(6));
    QVERIFY(!stats->Cmd_For_2->isEnabled());
    stats->Cmd_Prec_2->click();
    QCOMPARE(shown(stats->Pict_Stats), average.mid(6, 3));
    stats->Cmd_Close->click();
    QVERIFY(shell.window->isEnabled());

    // Which moves the menu of a row offers; cancel it always offers.
    const auto moves = [&shell, queue](int row) {
        rightClick(queue, row);
        shell.find<QMenu>("Mnu_Pas_Finit")->hide();
        return std::pair(shell.find<QAction>("Mnu_Haut")->isEnabled(),
                         shell.find<QAction>("Mnu_Bas")->isEnabled());
    };
    QCOMPARE(moves(1), std::pair(false, false)); // the running project
    QCOMPARE(moves(2), std::pair(false, true));
    QCOMPARE(moves(4), std::pair(true, false));

    choose(shell, queue, 4, "Mnu_Haut");
    QCOMPARE(column(queue, 1), (QStringList{"Run", "Wait1", "Wait3", "Wait2"}));
    choose(shell, queue, 2, "Mnu_Bas");
    QCOMPARE(column(queue, 1), (QStringList{"Run", "Wait3", "Wait1", "Wait2"}));
    QCOMPARE(FileIo::read(shell.store.paths().mainListPath()),
             QByteArray("Done1\r\nDone2\r\nDone3\r\nRun\r\nWait3\r\nWait1\r\nWait2\r\n"));

    shell.messages.answers = {false, false, true};
    choose(shell, queue, 4, "Mnu_Cancel");
    choose(shell, finished, 2, "Mnu_Del_Stats");
    QCOMPARE(column(queue, 1), (QStringList{"Run", "Wait3", "Wait1", "Wait2"}));
    choose(shell, finished, 2, "Mnu_Del_Stats");
    QCOMPARE(column(finished, 1), (QStringList{"Done3", "Done1"}));
    const QString deleteDone2 = "question|Delete ?|Do you really want to delete the statistics of "
                                "Done2 ?";
    QCOMPARE(shell.messages.shown,
             (QStringList{"question|Cancel ?|Do you really want to cancel project: Wait2 ?",
                          deleteDone2, deleteDone2}));

    QTRY_VERIFY(server.connectionCount() > 0);
    const int connections = server.connectionCount();
    shell.messages.answers = {true, true};
    choose(shell, queue, 2, "Mnu_Cancel");
    QCOMPARE(shell.engine.currentProject(), "Run");
    QCOMPARE(server.connectionCount(), connections);
    QCOMPARE(column(queue, 1), (QStringList{"Run", "Wait1", "Wait2"}));
    shell.engine.togglePause();
    QCOMPARE(column(queue, 4), (QStringList{"Paused", "Waiting", "Waiting"}));
    QCOMPARE(status->text(), "Paused: Run");
    shell.engine.setStartHeld(true); // keeps Wait1 from starting during the checks
    choose(shell, queue, 1, "Mnu_Cancel");
    QCOMPARE(status->text(), "Nothing to do");
    QVERIFY(!shell.engine.isDownloading());
    QVERIFY(!shell.find<QPushButton>("Cmd_Action")->isEnabled());
    QCOMPARE(column(queue, 1), (QStringList{"Wait1", "Wait2"}));

    // A file that failed verification is fetched again from zero, after the others.
    rightClick(finished, 2);
    shell.find<QMenu>("Mnu_Finished")->hide();
    QVERIFY(!shell.find<QAction>("Mnu_Resume")->isEnabled());
    choose(shell, finished, 1, "Mnu_Resume");
    QCOMPARE(column(queue, 1), (QStringList{"Wait1", "Wait2", "Done3"}));
    QCOMPARE(column(finished, 1), QStringList{"Done1"});
    QCOMPARE(shell.store.checksum("Done3"), (ChecksumRecord{expected, std::nullopt}));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_MainWindow.moc"
