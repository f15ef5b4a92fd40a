#include "ShellHarness.h"

#include "NginxServer.h"
#include "TestFiles.h"

#include "handoff/HandoffListener.h"
#include "probe/Probe.h"
#include "ui/AddProjectFlow.h"
#include "ui/GraphOptionsFrame.h"
#include "ui/HandoffFlow.h"
#include "ui/MainOptionsFrame.h"
#include "ui/NewProjectDialog.h"
#include "ui/OptionsDialog.h"
#include "ui/ProjectsPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

// The dialog alone, on a configured home.
struct DialogHarness
{
    ShellHarness shell;
    NewProjectDialog dialog{shell.store, shell.settings, shell.messages};
    QSignalSpy created{&dialog, &NewProjectDialog::projectCreated};
    QSignalSpy done{&dialog, &NewProjectDialog::resultDone};
};

// The main window with the add flow wired to a real probe, and nginx serving a folder.
struct FlowHarness
{
    explicit FlowHarness(int startTickMs = ShellHarness::QuietStartMs) : shell(startTickMs) {}

    QTemporaryDir root;
    NginxServer nginx{root.path()};
    ShellHarness shell;
    MainWindow &window{shell.start()};
    Probe probe{shell.store, shell.settings, {}};
    AddProjectFlow flow{window, probe, shell.store, shell.settings, shell.messages};
    ProjectsPage *page{window.projectsPage()};
};

const ProbeResult Setup{QStringLiteral("127.0.0.1:8080/dir/setup.exe"),
                        700000,
                        QStringLiteral("setup"),
                        false,
                        true,
                        {}};

} // namespace

// The new-project dialog, and the road from a typed URL to a queued, downloaded project.
class tst_NewProjectDialog final : public QObject
{
    Q_OBJECT

private slots:
    void cancelDropsTheResult_data();
    void cancelDropsTheResult();
    void smallerPackRefusedWithoutRanges();
    void editedOptionsReachTheDialog();
    void typedUrlIsRefusedOrEndsDownloaded();
    void handOffWaitsForTheStartUp();
};

void tst_NewProjectDialog::cancelDropsTheResult_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void tst_NewProjectDialog::cancelDropsTheResult()
{
    QFETCH(bool, closeBox);
    DialogHarness h;
    h.dialog.showResult(Setup);
    QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
    h.dialog.Cmd_Annuler->setFocus();

    if (closeBox)
        h.dialog.close();
    else
        QTest::keyClick(h.dialog.Cmd_Annuler, Qt::Key_Space); // focused first, like a click

    QVERIFY(!h.dialog.isVisible());
    QCOMPARE(h.done.count(), 1);
    QVERIFY(!h.created.wait(100));
    h.dialog.showResult(Setup); // opened again, "Download" is the default
    QTRY_VERIFY(h.dialog.Cmd_Downloader->isDefault() && !h.dialog.Cmd_Annuler->isDefault());
}

// The pack size shrank below the file after the probe of a server without ranges.
void tst_NewProjectDialog::smallerPackRefusedWithoutRanges()
{
    DialogHarness h;
    h.shell.settings.setPackSizeText("1024000");
    ProbeResult whole = Setup;
    whole.rangeSupported = false;
    h.dialog.showResult(whole);
    h.shell.settings.setPackSizeText("512000");
    h.dialog.refreshOptions();

    QTest::mouseClick(h.dialog.Cmd_Downloader, Qt::LeftButton);

    QCOMPARE(h.shell.messages.shown,
             QStringList{"critical|Error|Unable to use the high speed download method on this "
                         "server !"});
    QVERIFY(h.dialog.isVisible());
    QCOMPARE(h.done.count(), 0);
}

void tst_NewProjectDialog::editedOptionsReachTheDialog()
{
    DialogHarness h;
    h.shell.start();
    h.shell.options->serveNewProject(h.dialog);
    h.dialog.showResult(Setup);
    QTest::mouseClick(h.dialog.Cmd_Edit, Qt::LeftButton);
    OptionsDialog *options = h.shell.options->dialog();
    QVERIFY(options && options->isVisible() && !h.dialog.isVisible());
    options->Frm_Main->Opt_Pack_1mb->click();
    options->Frm_Main->Txt_Download_Path->setText(h.shell.home.root() + "elsewhere");
    options->Frm_Graph->Chk_Show_Modem->click();

    QTest::mouseClick(options->Cmd_OK, Qt::LeftButton);

    QVERIFY(h.dialog.isVisible());
    QCOMPARE(h.dialog.Txt_Pack->text(), QStringLiteral("1.00 Mb"));
    QCOMPARE(h.dialog.Txt_dest->text(), h.shell.home.root() + "elsewhere/");
    QVERIFY(!h.dialog.Chk_modem->isChecked());
}

// A missing file is named and the input comes back; a real one, entered with Return, is shown,
// created as the dialog was left, listed and downloaded.
void tst_NewProjectDialog::typedUrlIsRefusedOrEndsDownloaded()
{
    FlowHarness h(200);
    const QByteArray bytes = TestFiles::randomBytes(1300000, 11);
    QVERIFY(TestFiles::writeFile(h.root.filePath("dir/setup.exe"), bytes));
    QVERIFY2(h.nginx.start(), qPrintable(h.nginx.errorString()));
    NewProjectDialog &dialog = h.flow.dialog();
    ProjectsPage *page = h.page;

    page->Txt_Url->setText(h.nginx.url("missing.zip"));
    QTest::mouseClick(page->Cmd_add, Qt::LeftButton);
    QVERIFY(!page->Cmd_add->isEnabled());
    QCOMPARE(page->Lbl_Status_H->text(), QStringLiteral("Testing URL..."));
    QTRY_COMPARE(h.shell.messages.shown,
                 QStringList{"critical|Error|File not found or the URL don't point on a file !"});
    QVERIFY(page->Cmd_add->isEnabled() && page->Txt_Url->isEnabled() && h.window.isEnabled());
    QCOMPARE(page->Lbl_Status_H->text(), QStringLiteral("Nothing to do"));

    const QString url = h.nginx.url("dir/setup.exe");
    page->Txt_Url->setText("http://" + url);
    QTest::keyClick(page->Txt_Url, Qt::Key_Return);
    QTRY_VERIFY(dialog.isVisible());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("New project"));
    QVERIFY(!h.window.isEnabled());
    QCOMPARE(page->Txt_Url->text(), url);
    const QString received = h.shell.home.root() + "received/";
    QCOMPARE((QStringList{dialog.Txt_Project_Name->text(), dialog.Txt_Url->text(),
                          dialog.Txt_FileSize->text(), dialog.Txt_Pack->text(),
                          dialog.Txt_dest->text()}),
             (QStringList{"setup", url, "1.27 Mb", "500.00 Kb", received}));
    QVERIFY(dialog.Chk_modem->isChecked());
    dialog.Chk_modem->setChecked(false);

    // The engine moves the project on once it starts it: look at what creation left.
    QByteArray createdRecord;
    int listedRows = 0;
    QObject::connect(&dialog, &NewProjectDialog::projectCreated, &dialog, [&] {
        createdRecord = ShellHarness::fileText(h.shell.store.paths().recordPath("setup"));
        listedRows = int(page->Lst_Main->findItems("setup", Qt::MatchExactly, 1).size());
    });
    QTest::mouseClick(dialog.Cmd_Downloader, Qt::LeftButton);
    QVERIFY(h.window.isEnabled());
    QTRY_VERIFY(createdRecord.contains("\r\nshowmodem:0\r\n"));
    QCOMPARE(listedRows, 1);
    QCOMPARE(page->Txt_Url->text(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::sha256OfFile(received + "setup.exe"),
                              TestFiles::sha256(bytes), 30000);
    QCOMPARE(h.shell.messages.shown.size(), 1);
}

// A URL handed over before the start-up has run waits for it, then opens the dialog.
void tst_NewProjectDialog::handOffWaitsForTheStartUp()
{
    FlowHarness h;
    QVERIFY(TestFiles::writeFile(h.root.filePath("a.zip"), TestFiles::randomBytes(1000, 1)));
    QVERIFY2(h.nginx.start(), qPrintable(h.nginx.errorString()));
    HandoffListener listener(0, HandoffListener::IdleTimeoutMs);
    HandoffFlow handoff(h.window, listener, h.probe);
    h.window.Menu->setCurrentIndex(0);

    emit listener.messageArrived();
    emit listener.urlHandedOver("http://" + h.nginx.url("a.zip"));
    QCOMPARE(h.window.Menu->currentWidget(), h.page);
    QVERIFY(h.page->Txt_Url->isEnabled()); // no probe runs yet

    emit h.window.startupFinished();
    QTRY_VERIFY(h.flow.dialog().isVisible());
    QCOMPARE(h.flow.dialog().Txt_Url->text(), h.nginx.url("a.zip"));
}

QTEST_MAIN(tst_NewProjectDialog)
#include "tst_NewProjectDialog.moc"
