#include "ShellHarness.h"

#include "NginxServer.h"
#include "TestFiles.h"

#include "handoff/HandoffListener.h"
#include "probe/Probe.h"
#include "progress/SpeedGraph.h"
#include "ui/AddProjectFlow.h"
#include "ui/DestinationDialog.h"
#include "ui/GraphOptionsFrame.h"
#include "ui/HandoffFlow.h"
#include "ui/MainOptionsFrame.h"
#include "ui/NewProjectDialog.h"
#include "ui/OptionsDialog.h"
#include "ui/ProjectsPage.h"
#include "ui/ProxyOptions.h"

#include <sys/mount.h>

namespace {

const QString NotNumeric = "critical|Error|Please enter only numeric informations !";
const QString NotASpeed =
    "critical|Error|Please enter the speed limit in Kb/s (500), or with its unit (500k, 2M) !";

QMap<QString, QString> stored(QSettings &file)
{
    file.sync();
    QMap<QString, QString> values;
    for (const QString &key : file.allKeys())
        values.insert(key, file.value(key).toString());
    return values;
}

void typeOver(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

} // namespace

// The options dialog, the new-project dialog, and the road from a typed or handed-over URL to a
// downloaded project.
class tst_Dialogs final : public QObject
{
    Q_OBJECT

private slots:
    void okWritesWhatIsShownCancelNothing_data();
    void okWritesWhatIsShownCancelNothing();
    void chosenFolderReturnedRefusalsWriteNothing();
    void editedOptionsShownRefusedOrDropped();
    void typedUrlRefusedHandedOverUrlDownloaded();
};

void tst_Dialogs::okWritesWhatIsShownCancelNothing_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

// The dialog opens on a pack size it does not offer (kept as it is) and a modem speed of its
// own, which takes only numbers.
void tst_Dialogs::okWritesWhatIsShownCancelNothing()
{
    QFETCH(bool, ok);
    ShellHarness shell;
    shell.settings.setPackSizeText("700000");
    shell.settings.setModemSpeedText("100");
    QMap<QString, QString> expected = stored(shell.settingsFile);
    OptionsDialog dialog(shell.settings, shell.messages);
    dialog.show();
    MainOptionsFrame *main = dialog.Frm_Main;
    QVERIFY(main->Opt_Modem_Other->isChecked() && main->Txt_Modem_Other->isEnabled());
    QCOMPARE(main->Txt_Modem_Other->text(), "100");
    QVERIFY(!main->Chk_Limit_Speed->isChecked() && !main->Txt_Limit_Speed->isEnabled());
    main->Chk_Limit_Speed->click();
    typeOver(main->Txt_Limit_Speed, "2M");

    const QString folder = shell.home.root() + "new folder";
    main->Txt_Download_Path->setText(folder);
    typeOver(main->Txt_Modem_Other, "5x"); // refused at once: the field falls back to 33.6
    QCOMPARE(shell.messages.shown, QStringList{NotNumeric});
    QCOMPARE(main->Txt_Modem_Other->text(), "33.6");
    typeOver(main->Txt_Modem_Other, "12.5");
    QCOMPARE(dialog.Frm_Graph->Chk_Show_Modem->text(), "Show modem 12.5K (recommended)");
    QVERIFY(main->Proxy->Opt_Proxy_Environment->isChecked());
    main->Proxy->Opt_Proxy_Manual->click();
    main->Proxy->Cbo_Proxy_Type->setCurrentIndex(1);
    typeOver(main->Proxy->Txt_Proxy_Host, "[::1]");
    typeOver(main->Proxy->Txt_Proxy_Port, "1080");
    dialog.Frm_Graph->Chk_Show_Modem->click();
    QTest::mouseClick(ok ? dialog.Cmd_OK : dialog.Cmd_Annuler, Qt::LeftButton);

    QVERIFY(!dialog.isVisible());
    // What OK writes, each as "key=value".
    const QStringList written{"modemspeed=12.5", "ShowModem=0",    "LimitSpeed=1",
                              "speedlimit=2M",   "Proxy=manual",   "ProxyType=socks5",
                              "ProxyHost=::1",   "ProxyPort=1080", "FilePath=" + folder + '/'};
    for (const QString &line : ok ? written : QStringList())
        expected.insert("options/" + line.section(u'=', 0, 0), line.section(u'=', 1));
    // OK writes the colours too, as they are; Cancel writes nothing.
    const QMap<QString, QString> after = stored(shell.settingsFile);
    for (auto entry = expected.cbegin(); entry != expected.cend(); ++entry)
        QCOMPARE(after.value(entry.key()), entry.value());
    if (!ok)
        QCOMPARE(after, expected);
    QCOMPARE(QFileInfo(folder).isDir(), ok);
}

// The pictures of each page, the graph preview full, and of the chooser. The chooser opens on the
// download path and gives back the folder picked. At OK a speed limit that is no speed, a modem
// speed of 0, then a folder nothing can be written into, are refused: the dialog stays, nothing
// is stored.
void tst_Dialogs::chosenFolderReturnedRefusalsWriteNothing()
{
    ShellHarness shell;
    const QString folder = shell.home.root() + "readonly";
    QVERIFY(QDir().mkpath(folder));
    OptionsDialog dialog(shell.settings, shell.messages);
    dialog.show();
    dialog.Frm_Graph->Timer_Graph.setInterval(1);
    const int bottom = SpeedGraph::Size.height() - 2;
    QTRY_VERIFY(dialog.Frm_Graph->Graph->pixmap().toImage().pixel(2, bottom) !=
                qRgb(255, 255, 255));
    const QStringList pages{"options-main", "options-bars", "options-graphs"};
    for (qsizetype page = pages.size() - 1; page >= 0; --page) {
        dialog.Choix->setCurrentIndex(int(page));
        ShellHarness::saveAndCheck(&dialog, dialog.Choix->currentWidget(), pages.at(page));
    }
    QTest::mouseClick(dialog.Frm_Main->Command1, Qt::LeftButton);
    auto *form4 = dialog.findChild<DestinationDialog *>("Form4");
    QVERIFY(form4 && form4->isVisible() && !dialog.isVisible());
    QCOMPARE(form4->Txt_New_path->text(), shell.home.root() + "received/");
    auto *folders = qobject_cast<QFileSystemModel *>(form4->Dir->model());
    QTRY_VERIFY(folders->rowCount(form4->Dir->rootIndex()) > 0);
    ShellHarness::saveAndCheck(form4, form4, "destination");
    form4->Dir->setCurrentIndex(folders->index(folder));
    QTest::mouseClick(form4->Cmd_OK, Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Frm_Main->Txt_Download_Path->text(), folder + "/");
    const QMap<QString, QString> before = stored(shell.settingsFile);
    MainOptionsFrame *main = dialog.Frm_Main;
    main->Chk_Limit_Speed->click();
    typeOver(main->Txt_Limit_Speed, "2 Mb/s");
    QTest::mouseClick(dialog.Cmd_OK, Qt::LeftButton);
    typeOver(main->Txt_Limit_Speed, "500");
    main->Opt_Modem_Other->click();
    typeOver(main->Txt_Modem_Other, "0");
    QTest::mouseClick(dialog.Cmd_OK, Qt::LeftButton);
    QCOMPARE(shell.messages.shown, (QStringList{NotASpeed, NotNumeric}));
    QCOMPARE(main->Txt_Modem_Other->text(), "33.6");
    QVERIFY(dialog.isVisible());
    main->Proxy->Opt_Proxy_Manual->click(); // without a host and a port
    QTest::mouseClick(dialog.Cmd_OK, Qt::LeftButton);
    main->Proxy->Opt_Proxy_None->click();
    QVERIFY(dialog.isVisible());

    // Root writes into a folder without write bits, not into a read-only mount.
    if (mount("quillfetch-test", qPrintable(folder), "tmpfs", MS_RDONLY, "size=64k") != 0)
        QSKIP(qPrintable("mounting a tmpfs is not allowed here: " + qt_error_string(errno)));
    const auto unmount = qScopeGuard([&folder] { umount(qPrintable(folder)); });
    QTest::mouseClick(dialog.Cmd_OK, Qt::LeftButton);
    QCOMPARE(shell.messages.shown,
             (QStringList{NotASpeed, NotNumeric,
                          "critical|Error|Please enter the host and the port of the proxy !",
                          "critical|Error|Unable to create or write into the folder " + folder +
                              "/ ! Please choose another one."}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(stored(shell.settingsFile), before);
}

// The options edited from the dialog come back into it. A server without ranges fits the file in
// one pack, so the smaller pack is refused and the dialog stays. A cancel drops the result; the
// dialog opened again has "Download" as its default.
void tst_Dialogs::editedOptionsShownRefusedOrDropped()
{
    ShellHarness shell;
    shell.settings.setPackSizeText("1024000");
    shell.start();
    NewProjectDialog dialog(shell.store, shell.settings, shell.messages);
    QSignalSpy created(&dialog, &NewProjectDialog::projectCreated);
    QSignalSpy done(&dialog, &NewProjectDialog::resultDone);
    shell.options->serveNewProject(dialog);
    const ProbeResult result{
        "127.0.0.1:8080/dir/setup.exe", 700000, "setup", false, false, {}, {}, {}, {}};
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
    QCOMPARE(done.count(), 1);
    QVERIFY(!created.wait(100));
    dialog.showResult(result);
    QTRY_VERIFY(dialog.Cmd_Downloader->isDefault() && !dialog.Cmd_Annuler->isDefault());
}

// A missing file is named and the input comes back. A URL handed over before the start-up has
// run waits for it, asks for a login, given for this run only, is shown with the digest found
// beside it, created as the dialog was left (a checksum that is none refused) and downloaded and
// verified, every request with the browser's cookies.
void tst_Dialogs::typedUrlRefusedHandedOverUrlDownloaded()
{
    QTemporaryDir root;
    const QByteArray bytes = TestFiles::randomBytes(1300000, 11);
    QVERIFY(TestFiles::writeFile(root.filePath("dir/setup.exe"), bytes));
    const QString digest = "sha256:" + TestFiles::sha256(bytes).toHex();
    QVERIFY(TestFiles::writeFile(root.filePath("dir/setup.exe.sha256"), digest.mid(7).toUtf8()));
    NginxServer nginx(root.path(), {.logins = {{"/dir/", "anna", "se:cret"}}});
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    ShellHarness shell(200);
    MainWindow &window = shell.start();
    Probe probe(shell.store, shell.settings, {});
    AddProjectFlow flow(window, probe, shell.store, shell.settings, shell.messages);
    HandoffListener listener(QString(), HandoffListener::IdleTimeoutMs);
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
    emit listener.urlHandedOver({"http://" + url, {"s=1", "http://h/", "UA/1"}});
    QVERIFY(page->Txt_Url->isEnabled()); // no probe runs yet
    emit window.startupFinished();
    LoginDialog &login = flow.loginDialog();
    QTRY_VERIFY(login.isVisible());
    QCOMPARE(login.Lbl_Login->text(),
             "The server " + url.section(u'/', 0, 0) + " asks for a user name and a password.");
    ShellHarness::saveAndCheck(&login, &login, "login");
    QTest::keyClicks(login.Txt_User, "anna");
    QTest::keyClicks(login.Txt_Password, "se:cret");
    QTest::mouseClick(login.Cmd_OK, Qt::LeftButton);
    QTRY_VERIFY(dialog.isVisible());
    QVERIFY(!window.isEnabled());
    QCOMPARE(page->Txt_Url->text(), url);
    const QString received = shell.home.root() + "received/";
    QCOMPARE((QStringList{dialog.Txt_Project_Name->text(), dialog.Txt_Url->text(),
                          dialog.Txt_FileSize->text(), dialog.Txt_Checksum->text(),
                          dialog.Txt_Pack->text(), dialog.Txt_dest->text()}),
             (QStringList{"setup", url, "1.27 Mb", digest, "500.00 Kb", received}));
    QVERIFY(dialog.Chk_modem->isChecked());
    dialog.Chk_modem->setChecked(false);
    dialog.Txt_Checksum->setText("sha256:12");
    QTest::mouseClick(dialog.Cmd_Downloader, Qt::LeftButton);
    QVERIFY(dialog.isVisible() &&
            shell.messages.shown.last().startsWith("critical|Error|The checksum"));
    dialog.Txt_Checksum->setText(digest.toUpper());

    QTest::mouseClick(dialog.Cmd_Downloader, Qt::LeftButton);
    QVERIFY(window.isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::sha256OfFile(received + "setup.exe"),
                              TestFiles::sha256(bytes), 30000);
    QCOMPARE(shell.store.record("setup")->showModem, "0");
    QTRY_VERIFY(shell.store.finished().size() == 1 && shell.store.checksum("setup")->isVerified());
    QCOMPARE(shell.messages.shown.size(), 2);
    for (const NginxServer::Request &request : nginx.requests())
        QVERIFY(!request.target.startsWith("/dir/") ||
                request.cookie + request.userAgent == "s=1UA/1");
}

QTEST_MAIN(tst_Dialogs)
#include "tst_Dialogs.moc"
