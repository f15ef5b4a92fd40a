#include "ShellHarness.h"

#include "SilentServer.h"
#include "platform/BrowserMenu.h"
#include "ui/AboutPage.h"
#include "ui/BrowserMenuOption.h"
#include "ui/OptionsDialog.h"
#include "ui/PercentBar.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace {

const RecordingPresenter::Message FirstRun{
    QStringLiteral("information"),
    QStringLiteral("Quillfetch has detected that you have not configured your options. Please "
                   "config them before downloading !"),
    QStringLiteral("Quillfetch")};
const RecordingPresenter::Message Refusal{
    QStringLiteral("information"),
    QStringLiteral("You cannot access to this menu during a download !"),
    QStringLiteral("Quillfetch")};

} // namespace

class tst_MainWindow final : public QObject
{
    Q_OBJECT

private slots:
    void firstStartOnAnEmptyHome();
    void downloadTabShowsWhatTheEngineReportsUntilReset();
    void startUpResumesOrStartsTheQueue_data();
    void startUpResumesOrStartsTheQueue();
    void optionsEntryIsRefusedWhileAProjectRuns();
    void startedWithTheSessionIsMinimised();
    void optionBoxesActAtOnce();
    void exitShowsTheNoticeAndShutsDown();
};

void tst_MainWindow::firstStartOnAnEmptyHome()
{
    ShellHarness shell;
    MainWindow &window = shell.start();

    QCOMPARE(window.objectName(), QStringLiteral("Form1"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Quillfetch"));
    QCOMPARE(shell.messages.shown, QList{FirstRun});
    QCOMPARE(shell.optionsRequests, 1);
    QVERIFY(QFileInfo(shell.store.paths().projectsFolder()).isDir());
    QCOMPARE(shell.settingsFile.value(QStringLiteral("options/AppPath")).toString(),
             shell.home.root() + QStringLiteral("bin"));
    QVERIFY(shell.find<QCheckBox>(QStringLiteral("ChK_Tray"))->isChecked());
    QVERIFY(!shell.find<QCheckBox>(QStringLiteral("ChK_Start"))->isChecked());
    QVERIFY(!shell.find<QCheckBox>(QStringLiteral("ChK_Startwindows"))->isChecked());
    QCOMPARE(window.Menu->currentIndex(), 0);

    OptionsDialog *options = shell.options->dialog();
    QVERIFY(options && options->isVisible() && !window.isEnabled());
    QTest::mouseClick(options->Cmd_OK, Qt::LeftButton);
    QVERIFY(window.isEnabled());
    shell.start(); // a restart finds the options configured
    QCOMPARE(shell.messages.shown, QList{FirstRun});
    QCOMPARE(shell.optionsRequests, 1);
}

void tst_MainWindow::downloadTabShowsWhatTheEngineReportsUntilReset()
{
    ShellHarness shell;
    shell.configureOptions();
    MainWindow &window = shell.start();
    emit shell.engine.slotStatusChanged(3, QStringLiteral("Downloading..."));
    emit shell.engine.slotPercentChanged(3, 42);
    emit shell.engine.actionChanged(true, QStringLiteral("Resume"));
    emit shell.engine.titleChanged(QStringLiteral("42% - Quillfetch"));

    QCOMPARE(shell.find<QLabel>(QStringLiteral("Lbl_Status_w3"))->text(),
             QStringLiteral("Downloading..."));
    QCOMPARE(shell.find<PercentBar>(QStringLiteral("Barre3"))->text(), QStringLiteral("42%"));
    QPushButton *action = shell.find<QPushButton>(QStringLiteral("Cmd_Action"));
    QVERIFY(action->isEnabled());
    QCOMPARE(action->text(), QStringLiteral("Resume"));
    QCOMPARE(window.windowTitle(), QStringLiteral("42% - Quillfetch"));

    emit shell.engine.displayReset();
    const QList<std::pair<const char *, const char *>> idle{
        {"Lbl_Time", "00:00:00"},         {"Lbl_Time_R", "00:00:00"},
        {"Lbl_Taille", "0 Bytes"},        {"Lbl_Taille2", "0 Bytes"},
        {"Lbl_Paquet", "Nothing"},        {"Lbl_Paquet_2", "Nothing"},
        {"Lbl_Vitesse_M", "0.00 Kb/s"},   {"Lbl_Vitesse_M2", "0.0 Kbits/s"},
        {"Lbl_Vitesse_MM", "0.00 Kb/s"},  {"Lbl_Vitesse_I", "0.00 Kb/s"},
        {"Lbl_Vitesse_I2", "0.0 Kbits/s"}};
    for (const auto &[label, caption] : idle)
        QCOMPARE(shell.find<QLabel>(QLatin1String(label))->text(), QLatin1String(caption));
    for (const char *bar : {"Barre", "Barre1", "Barre2", "Barre3", "Barre4"})
        QCOMPARE(shell.find<PercentBar>(QLatin1String(bar))->text(), QStringLiteral("%"));
    QVERIFY(!action->isEnabled());
}

void tst_MainWindow::startUpResumesOrStartsTheQueue_data()
{
    QTest::addColumn<bool>("leftRunning");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("started");
    QTest::addColumn<bool>("unreadable"); // a listed project whose record cannot be read
    QTest::newRow("left running: resumed first, Download tab") << true << 2 << "Alpha" << false;
    QTest::newRow("queue: Projects tab") << false << 1 << "Beta" << false;
    QTest::newRow("unreadable record: named once") << false << 1 << "Beta" << true;
}

void tst_MainWindow::startUpResumesOrStartsTheQueue()
{
    QFETCH(bool, leftRunning);
    QFETCH(QString, started);
    QFETCH(bool, unreadable);
    SilentServer server;
    ShellHarness shell(20);
    shell.configureOptions();
    shell.settings.setOnStartTab(true);
    if (leftRunning)
        shell.addProject(QStringLiteral("Alpha"), server.url(QStringLiteral("alpha.bin")), 0);
    shell.addProject(QStringLiteral("Beta"), server.url(QStringLiteral("beta.bin")), 1);
    const QString broken = shell.store.paths().recordPath(QStringLiteral("Gamma"));
    if (unreadable) {
        shell.addProject(QStringLiteral("Gamma"), server.url(QStringLiteral("gamma.bin")), 1);
        QVERIFY(QFile::resize(broken, 10));
    }
    MainWindow &window = shell.start();

    QTEST(window.Menu->currentIndex(), "tab");
    QTRY_COMPARE(shell.engine.currentProject(), started);
    QCOMPARE(shell.store.waiting().isEmpty(), !leftRunning); // Beta waits behind the resumed one
    QList<RecordingPresenter::Message> told;
    if (unreadable)
        told.append({"critical", "Unable to read the file " + broken + " !", "Error"});
    QCOMPARE(shell.messages.shown, told);
}

// The first run's request waits until the resumed download no longer runs.
void tst_MainWindow::optionsEntryIsRefusedWhileAProjectRuns()
{
    ShellHarness shell(20);
    shell.addProject(QStringLiteral("Alpha"), QStringLiteral("127.0.0.1:1/a.bin"), 0);
    MainWindow &window = shell.start();
    window.Mnu_Options->trigger();
    QCOMPARE(shell.messages.shown, QList{Refusal});
    QCOMPARE(shell.optionsRequests, 0);

    shell.engine.cancelRunning();
    for (const char *slot : {"Lbl_Status_w1", "Lbl_Status_w2", "Lbl_Status_w3", "Lbl_Status_w4"})
        QCOMPARE(shell.find<QLabel>(slot)->text(), "Nothing");
    QVERIFY(shell.store.cancel(QStringLiteral("Alpha")));
    QTRY_COMPARE(shell.optionsRequests, 1);
    QCOMPARE(shell.messages.shown, (QList{Refusal, FirstRun}));
}

void tst_MainWindow::startedWithTheSessionIsMinimised()
{
    ShellHarness shell;
    shell.configureOptions();
    MainWindow &window = shell.start({QStringLiteral("-Startwin-")});
    QVERIFY(window.isMinimized());
    // Without a notification area the window must stay reachable.
    QVERIFY(window.isVisible());
}

void tst_MainWindow::optionBoxesActAtOnce()
{
    ShellHarness shell;
    shell.configureOptions();
    shell.start();
    QCheckBox *tray = shell.find<QCheckBox>(QStringLiteral("ChK_Tray"));
    tray->click();
    QCOMPARE(shell.settingsFile.value(QStringLiteral("options/Tray")).toString(),
             QStringLiteral("0"));
    shell.find<QCheckBox>(QStringLiteral("ChK_Start"))->click();
    QCOMPARE(shell.settingsFile.value(QStringLiteral("options/OnStartTab")).toString(),
             QStringLiteral("1"));

    QCheckBox *session = shell.find<QCheckBox>(QStringLiteral("ChK_Startwindows"));
    session->click();
    QVERIFY(session->isChecked());
    QVERIFY(QFile::remove(shell.autostart.entryPath()));
    session->click(); // the entry vanished, so this click writes it again
    QVERIFY(session->isChecked());
    QVERIFY(QFile::exists(shell.autostart.entryPath()));

    const QString profile = shell.home.configFolder() + QStringLiteral("chromium");
    QVERIFY(QDir().mkpath(profile));
    BrowserMenu browsers(QStringLiteral("/opt/Quillfetch/Catchlink"),
                         {{BrowserMenu::Family::Chromium, profile, profile + "/Hosts"}});
    BrowserMenuOption option(*shell.window->aboutPage(), browsers, "/opt/ext", shell.messages);
    QCheckBox *browserMenu = shell.find<QCheckBox>(QStringLiteral("ChK_IEMenu"));
    QCOMPARE(browserMenu->text(), QStringLiteral("Add to the browsers' link menu"));
    QVERIFY(shell.find<QLabel>(QStringLiteral("Lbl_Extension"))->text().endsWith("/opt/ext"));
    browserMenu->click();
    QVERIFY(browserMenu->isChecked());
    QFile manifest(profile + QStringLiteral("/Hosts/com.quillfetch.catchlink.json"));
    QVERIFY(manifest.open(QIODevice::ReadOnly));
    QVERIFY(manifest.readAll().contains("chrome-extension://ohnfpbheefahocbbgogakplikmphllcf/"));
    browserMenu->click();
    QVERIFY(!browserMenu->isChecked());
    const auto told = [](const char *text) {
        return RecordingPresenter::Message{"information", text, "Information"};
    };
    QCOMPARE(shell.messages.shown, QList({told("The browser menu entry is installed."),
                                          told("The browser menu entry is removed.")}));
}

void tst_MainWindow::exitShowsTheNoticeAndShutsDown()
{
    ShellHarness shell;
    shell.configureOptions();
    MainWindow &window = shell.start();
    const QRect closedAt(QPoint(40, 30), window.size() + QSize(50, 20));
    window.setGeometry(closedAt);
    QSignalSpy done(&window, &MainWindow::shutdownComplete);
    window.Mnu_Exit->trigger();

    QVERIFY(!window.isEnabled());
    QVERIFY(shell.find<QWidget>(QStringLiteral("Form5"))->isVisible());
    QVERIFY(done.wait(5000));
    // The window stays until the program ends; a second close changes nothing.
    window.close();
    QCOMPARE(done.count(), 1);
    // The next run opens the window where this one was closed.
    QCOMPARE(shell.start().geometry(), closedAt);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_MainWindow.moc"
