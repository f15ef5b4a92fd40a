#include "ShellHarness.h"

#include "progress/SpeedGraph.h"
#include "ui/DestinationDialog.h"
#include "ui/GraphOptionsFrame.h"
#include "ui/MainOptionsFrame.h"
#include "ui/OptionsDialog.h"
#include "ui/PercentBar.h"
#include "ui/ProjectsPage.h"
#include "ui/StatsWindow.h"

namespace {

// Saves the window's picture; no control of the area may show a cut text.
void saveAndCheck(QWidget *window, QWidget *area, const QString &name)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QString folder = qEnvironmentVariable("QF_SOURCE_DIR") + "/build/screenshots/";
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(window->grab().save(folder + name + ".png"));

    // A control narrower than its smallest readable size shows a cut text.
    for (QWidget *control : area->findChildren<QWidget *>()) {
        if (control->isVisible() && (qobject_cast<QLabel *>(control) != nullptr ||
                                     qobject_cast<QAbstractButton *>(control) != nullptr ||
                                     qobject_cast<PercentBar *>(control) != nullptr))
            QVERIFY2(control->width() >= control->minimumSizeHint().width(),
                     qPrintable(control->objectName() + control->property("text").toString() +
                                " is cut"));
    }
}

} // namespace

// Writes the windows to build/screenshots/ and checks that no control shows a cut text.
class tst_Screenshots final : public QObject
{
    Q_OBJECT

private slots:
    void windowsAndDialogs();
};

// Each tab of the main window with projects in the lists and a download shown, the statistics
// of a finished project, each page of the options dialog with its graph full, the destination
// dialog.
void tst_Screenshots::windowsAndDialogs()
{
    ShellHarness shell;
    shell.addProject("manual.pdf", "127.0.0.1:1/docs/manual.pdf", 2, 3145728);
    shell.addProject("photos.zip", "127.0.0.1:1/photos.zip", 0);
    MainWindow &window = shell.start();
    shell.showSomeProgress();
    const QStringList tabs{"main-about", "main-projects", "main-download"};
    for (int tab = 0; tab < tabs.size(); ++tab) {
        window.Menu->setCurrentIndex(tab);
        saveAndCheck(&window, window.Menu->currentWidget(), tabs.at(tab));
    }
    emit window.projectsPage()->statisticsRequested("manual.pdf");
    auto *stats = ShellHarness::topLevel<StatsWindow>("Stats");
    saveAndCheck(stats, stats, "stats-generals");
    stats->TabStrip1->setCurrentIndex(1);
    saveAndCheck(stats, stats, "stats-graphics");
    stats->close();

    OptionsDialog dialog(shell.settings, shell.messages);
    dialog.show();
    dialog.Frm_Graph->Timer_Graph.setInterval(1);
    const int bottom = SpeedGraph::Size.height() - 2;
    QTRY_VERIFY(dialog.Frm_Graph->Graph->pixmap().toImage().pixel(2, bottom) !=
                qRgb(255, 255, 255));
    const QStringList pages{"options-main", "options-bars", "options-graphs"};
    for (int page = 0; page < pages.size(); ++page) {
        dialog.Choix->setCurrentIndex(page);
        saveAndCheck(&dialog, dialog.Choix->currentWidget(), pages.at(page));
    }
    QTest::mouseClick(dialog.Frm_Main->Command1, Qt::LeftButton);
    auto *form4 = dialog.findChild<DestinationDialog *>("Form4");
    auto *folders = qobject_cast<QFileSystemModel *>(form4->Dir->model());
    QTRY_VERIFY(folders->rowCount(form4->Dir->rootIndex()) > 0);
    saveAndCheck(form4, form4, "destination");
}

QTEST_MAIN(tst_Screenshots)
#include "tst_Screenshots.moc"
