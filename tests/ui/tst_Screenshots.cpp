#include "NginxServer.h"
#include "ShellHarness.h"
#include "TestFiles.h"

#include "progress/SpeedGraph.h"
#include "ui/BarOptionsFrame.h"
#include "ui/DestinationDialog.h"
#include "ui/GraphOptionsFrame.h"
#include "ui/GraphView.h"
#include "ui/MainOptionsFrame.h"
#include "ui/OptionsDialog.h"
#include "ui/PercentBar.h"
#include "ui/ProjectsPage.h"
#include "ui/StatsWindow.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>

// Writes each tab of the main window to build/screenshots/ as it looks with projects in the
// lists and a download under way, and each page of the options dialog and the destination
// dialog, at 100 % and (from a second copy of this test) 200 % scale.
class tst_Screenshots final : public QObject
{
    Q_OBJECT

private slots:
    void eachTab();
    void optionsDialogs();
    void graphsOfAThrottledDownload();
    void atDoubleScale();

private:
    static void showSomeProgress(Engine &engine);
    // Saves the window and checks that no control of the area shows a cut text.
    static void saveAndCheck(QWidget *window, QWidget *area, const QString &name);
};

void tst_Screenshots::showSomeProgress(Engine &engine)
{
    emit engine.planTextChanged(QStringLiteral("2 times 500.00 Kb and 269.53 Kb"));
    emit engine.packsToGoTextChanged(QStringLiteral("0 times 500.00 Kb"));
    emit engine.totalSizeTextChanged(QStringLiteral("1.27 Mb"));
    emit engine.receivedSizeTextChanged(QStringLiteral("548.83 Kb"));
    emit engine.elapsedTextChanged(QStringLiteral("00:00:12"));
    emit engine.remainingTextChanged(QStringLiteral("00:00:16"));
    emit engine.averageSpeedChanged(QStringLiteral("45.00 Kb/s"), QStringLiteral("360 Kbit/s"));
    emit engine.instantSpeedChanged(QStringLiteral("52.00 Kb/s"), QStringLiteral("416 Kbit/s"));
    emit engine.overallStatusChanged(QStringLiteral("Downloading..."));
    emit engine.actionChanged(true, QStringLiteral("Pause"));
    emit engine.totalPercentChanged(42);
    const int percents[] = {73, 100, 8, 0};
    for (int slot = 1; slot <= 4; ++slot) {
        emit engine.slotPercentChanged(slot, percents[slot - 1]);
        emit engine.slotStatusChanged(slot, slot < 4 ? QStringLiteral("Downloading...")
                                                     : QStringLiteral("Nothing"));
    }
    emit engine.titleChanged(QStringLiteral("42% - Quillfetch"));
}

void tst_Screenshots::eachTab()
{
    ShellHarness shell;
    shell.configureOptions();
    shell.addProject(QStringLiteral("debian-12.iso"),
                     QStringLiteral("127.0.0.1:1/debian/debian-12.iso"), 2, 658505728);
    shell.addProject(QStringLiteral("manual.pdf"), QStringLiteral("127.0.0.1:1/docs/manual.pdf"), 2,
                     3145728);
    shell.addProject(QStringLiteral("photos.zip"), QStringLiteral("127.0.0.1:1/photos.zip"), 0);
    shell.addProject(QStringLiteral("music.tar.gz"), QStringLiteral("ftp.127.0.0.1/music.tar.gz"),
                     1, 45000000);
    MainWindow &window = shell.start();
    showSomeProgress(shell.engine);
    const QStringList names{"main-about", "main-projects", "main-download"};
    for (int tab = 0; tab < names.size(); ++tab) {
        window.Menu->setCurrentIndex(tab);
        saveAndCheck(&window, window.Menu->currentWidget(), names.at(tab));
    }
}

// Each page of the options dialog with its bars half way and its graph full, then the
// destination dialog it opens.
void tst_Screenshots::optionsDialogs()
{
    ShellHarness shell;
    shell.configureOptions();
    OptionsDialog dialog(shell.settings, shell.messages);
    dialog.show();
    dialog.Frm_Barre->Timer_Barre.stop();
    dialog.Frm_Barre->Barre1->Affiche_Barre(50);
    dialog.Frm_Barre->Barre2->Affiche_Barre(50);
    dialog.Frm_Graph->Timer_Graph.setInterval(1);
    QTRY_VERIFY(dialog.Frm_Graph->Graph->pixmap().toImage().pixel(2, SpeedGraph::Size.height() -
                                                                         2) != qRgb(255, 255, 255));
    const QStringList names{"options-main", "options-bars", "options-graphs"};
    for (int tab = 0; tab < names.size(); ++tab) {
        dialog.Choix->setCurrentIndex(tab);
        saveAndCheck(&dialog, dialog.Choix->currentWidget(), names.at(tab));
    }
    dialog.Choix->setCurrentIndex(0);
    QTest::mouseClick(dialog.Frm_Main->Command1, Qt::LeftButton);
    auto *form4 = dialog.findChild<DestinationDialog *>(QStringLiteral("Form4"));
    QVERIFY(form4 != nullptr);
    auto *folders = qobject_cast<QFileSystemModel *>(form4->Dir->model());
    QTRY_VERIFY(folders->rowCount(form4->Dir->rootIndex()) > 0);
    saveAndCheck(form4, form4, QStringLiteral("destination"));
}

void tst_Screenshots::saveAndCheck(QWidget *window, QWidget *area, const QString &name)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const bool doubleScale = qEnvironmentVariable("QT_SCALE_FACTOR") == QStringLiteral("2");
    const QString folder =
        qEnvironmentVariable("QF_SOURCE_DIR") + QStringLiteral("/build/screenshots/");
    QVERIFY(QDir().mkpath(folder));
    const QString path =
        folder + name + (doubleScale ? QStringLiteral("-200") : QString()) + QStringLiteral(".png");
    QVERIFY(window->grab().save(path));

    // A control narrower than its smallest readable size shows a cut text.
    const auto controls = area->findChildren<QWidget *>();
    for (QWidget *control : controls) {
        if (control->isVisible() && (qobject_cast<QLabel *>(control) != nullptr ||
                                     qobject_cast<QAbstractButton *>(control) != nullptr ||
                                     qobject_cast<PercentBar *>(control) != nullptr))
            QVERIFY2(control->width() >= control->minimumSizeHint().width(),
                     qPrintable(control->objectName() + control->property("text").toString() +
                                " is cut"));
    }
}

// A real download slowed by nginx to about 13 s: the live graphs while it runs, then both tabs
// of its statistics with the snapshots it saved.
void tst_Screenshots::graphsOfAThrottledDownload()
{
    QTemporaryDir served;
    QVERIFY(TestFiles::writeFile(served.filePath("setup.exe"), TestFiles::randomBytes(1300000, 9)));
    NginxServer nginx(served.path(), {40000, 4000, {}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    ShellHarness shell(20);
    shell.configureOptions();
    shell.settings.setModemSpeedText(QStringLiteral("1024"));
    shell.addProject(QStringLiteral("setup"), nginx.url(QStringLiteral("setup.exe")), 1);
    MainWindow &window = shell.start();

    const auto drawnColumns = [&shell] {
        const QList<int> &samples = shell.engine.speedMeter().instantSamples();
        return std::count_if(samples.begin(), samples.end(), [](int sample) { return sample > 0; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(drawnColumns() >= 10, 40000);
    QCOMPARE(window.Menu->currentIndex(), 2);
    saveAndCheck(&window, window.Menu->currentWidget(), QStringLiteral("main-download-graphs"));

    QTRY_COMPARE_WITH_TIMEOUT(shell.store.finished().size(), 1, 30000);
    emit window.projectsPage()->statisticsRequested(QStringLiteral("setup"));
    StatsWindow *stats = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        stats = top->objectName() == "Stats" ? qobject_cast<StatsWindow *>(top) : stats;
    QVERIFY(stats != nullptr);
    QVERIFY(!stats->Pict_Stats.at(0)->image().isNull());
    saveAndCheck(stats, stats, QStringLiteral("stats-generals"));
    stats->TabStrip1->setCurrentIndex(1);
    saveAndCheck(stats, stats, QStringLiteral("stats-graphics"));
    stats->close();
}

void tst_Screenshots::atDoubleScale()
{
    QProcess copy;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    copy.setProcessEnvironment(environment);
    copy.setProcessChannelMode(QProcess::ForwardedChannels);
    QSignalSpy finished(&copy, &QProcess::finished);
    copy.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("eachTab"), QStringLiteral("optionsDialogs")});
    QVERIFY(finished.wait(60000));
    QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
    QCOMPARE(copy.exitCode(), 0);
}

QTEST_MAIN(tst_Screenshots)
#include "tst_Screenshots.moc"
