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

// The new-project dialog, and the road from a typed or handed-over URL to a downloaded project.
class tst_NewProjectDialog final : public QObject
{
    Q_OBJECT

private slots:
    void editedOptionsShownRefusedOrDropped();
    void typedUrlRefusedHandedOverUrlDownloaded();
};

// The options edited from the dialog come back into it. A server without ranges fits the file in
// one pack, so the smaller pack is refused and the dialog stays. A cancel drops the result; the
// dialog opened again has "Download" as its default.
void tst_NewProjectDialog::editedOptionsShownRefusedOrDropped()
{
    ShellHarness shell;
    shell.settings.setPackSizeText("1024000");
    shell.start();
    NewProjectDialog dialog(shell.store, shell.settings, shell.messages);
    QSignalSpy created(&dialog, &NewProjectDialog::projectCreated);
    QSignalSpy done(&dialog, &NewProjectDialog::resultDone);
    shell.options->serveNewProject(dialog);
    const ProbeResult result{"127.0.0.1:8080/dir/setup.exe", 700000, "setup", false, false, {}};
    dialog.showResult(result);
    QTest::mouseClick(dialog.Cmd_Edit, Qt::LeftButton);
    OptionsDialog *options = shell.options->dialog();
    QVERIFY(options && options->isVisible() && !dialog.isVisible());
    options->Frm_Main->Opt_Pack_5mb->click();
    options->Frm_Main->Txt_Download_Path->setText(shell.home.root() + "elsewhere");
    options->Frm_Graph->Chk_Show_Modem->click();
    QTest::mouseClick(options->Cmd_OK, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.Txt_Pack->text(), "500.00 Kb");
    QCOMPARE(dialog.Txt_dest->text(), shell.home.root() + "elsewhere/");
    QVERIFY(!dialog.Chk_modem->isChecked());

    QTest::mouseClick(dialog.Cmd_Downloader, Qt::LeftButton);
    QCOMPARE(shell.messages.shown,
             QStringList{"critical|Error|Unable to use the high speed download method on this "
                         "server !"});
    QVERIFY(dialog.isVisible());
    dialog.Cmd_Annuler->setFocus();
    QTest::keyClick(dialog.Cmd_Annuler, Qt::Key_Space); // focused first, like a click
    QVERIFY(!dialog.isVisible());
    QCOMPARE(done.count(), 1);
    QVERIFY(!created.wait(100));
    dialog.showResult(result);
    QTRY_VERIFY(dialog.Cmd_Downloader->isDefault() && !dialog.Cmd_Annuler->isDefault());
}

// A missing file is named and the input comes back. A URL handed over before the start-up has
// run waits for it, is shown, created as the dialog was left and downloaded.
void tst_NewProjectDialog::typedUrlRefusedHandedOverUrlDownloaded()
{
    QTemporaryDir root;
    const QByteArray bytes = TestFiles::randomBytes(1300000, 11);
    QVERIFY(TestFiles::writeFile(root.filePath("dir/setup.exe"), bytes));
    NginxServer nginx(root.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    ShellHarness shell(200);
    MainWindow &window = shell.start();
    Probe probe(shell.store, shell.settings, {});
    AddProjectFlow flow(window, probe, shell.store, shell.settings, shell.messages);
    HandoffListener listener(0, HandoffListener::IdleTimeoutMs);
    HandoffFlow handoff(window, listener, probe);
    ProjectsPage *page = window.projectsPage();
    NewProjectDialog &dialog = flow.dialog();

    page->Txt_Url->setText(nginx.url("missing.zip"));
    QTest::keyClick(page->Txt_Url, Qt::Key_Return);
    QVERIFY(!page->Cmd_add->isEnabled());
    QCOMPARE(page->Lbl_Status_H->text(), "Testing URL...");
    QTRY_COMPARE(shell.messages.shown,
                 QStringList{"critical|Error|File not found or the URL don't point on a file !"});
    QVERIFY(page->Cmd_add->isEnabled() && page->Txt_Url->isEnabled() && window.isEnabled());

    window.Menu->setCurrentIndex(0);
    const QString url = nginx.url("dir/setup.exe");
    emit listener.messageArrived();
    emit listener.urlHandedOver("http://" + url);
    QCOMPARE(window.Menu->currentWidget(), page);
    QVERIFY(page->Txt_Url->isEnabled()); // no probe runs yet
    emit window.startupFinished();
    QTRY_VERIFY(dialog.isVisible());
    QVERIFY(!window.isEnabled());
    QCOMPARE(page->Txt_Url->text(), url);
    const QString received = shell.home.root() + "received/";
    QCOMPARE((QStringList{dialog.Txt_Project_Name->text(), dialog.Txt_Url->text(),
                          dialog.Txt_FileSize->text(), dialog.Txt_Pack->text(),
                          dialog.Txt_dest->text()}),
             (QStringList{"setup", url, "1.27 Mb", "500.00 Kb", received}));
    QVERIFY(dialog.Chk_modem->isChecked());
    dialog.Chk_modem->setChecked(false);

    QTest::mouseClick(dialog.Cmd_Downloader, Qt::LeftButton);
    QVERIFY(window.isEnabled());
    QTRY_COMPARE(page->Txt_Url->text(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::sha256OfFile(received + "setup.exe"),
                              TestFiles::sha256(bytes), 30000);
    QCOMPARE(shell.store.record("setup")->showModem, "0");
    QCOMPARE(shell.messages.shown.size(), 1);
}

QTEST_MAIN(tst_NewProjectDialog)
#include "tst_NewProjectDialog.moc"
