#include "ShellHarness.h"

#include "NginxServer.h"
#include "TestFiles.h"

#include "probe/Probe.h"
#include "ui/AddProjectFlow.h"
#include "ui/NewProjectDialog.h"
#include "ui/ProjectsPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

const RecordingPresenter::Message NoRanges{
    QStringLiteral("critical"),
    QStringLiteral("Unable to use the high speed download method on this server !"),
    QStringLiteral("Error")};

QByteArray fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The record text of a project created from untouched options on a configured shell.
QByteArray expectedRecord(const QString &url, qint64 bytes, const QString &folder,
                          const char *showModem)
{
    return "url:" + url.toUtf8() + "\r\nbytes:" + QByteArray::number(bytes) +
           "\r\npath:" + folder.toUtf8() + "\r\npacksize:512000\r\nshowmodem:" + showModem +
           "\r\nbar1back:16777215\r\nbar1for:255\r\nbar2back:16777215\r\nbar2for:8421631\r\n"
           "graphback:16777215\r\ngraphfor:8421631\r\ngraphmodem:0\r\nType:0\r\nstatus:1\r\n";
}

// The dialog alone, on a configured home.
class DialogHarness final
{
public:
    DialogHarness() { shell.configureOptions(); }

    ShellHarness shell;
    NewProjectDialog dialog{shell.store, shell.settings, shell.messages};
    QSignalSpy created{&dialog, &NewProjectDialog::projectCreated};
    QSignalSpy done{&dialog, &NewProjectDialog::resultDone};
};

const ProbeResult Setup{QStringLiteral("127.0.0.1:8080/dir/setup.exe"), 700000,
                        QStringLiteral("setup"), false, true};

} // namespace

// The new-project dialog, and the road from a typed URL to a queued, downloaded project.
class tst_NewProjectDialog final : public QObject
{
    Q_OBJECT

private slots:
    void showsWhatTheProbeFound();
    void downloadCreatesTheProject_data();
    void downloadCreatesTheProject();
    void cancelDropsTheResult_data();
    void cancelDropsTheResult();
    void smallerPackRefusedWithoutRanges();
    void typedUrlEndsDownloaded();
    void failureIsShownAndInputComesBack();
};

void tst_NewProjectDialog::showsWhatTheProbeFound()
{
    DialogHarness h;
    h.dialog.showResult(Setup);

    NewProjectDialog &d = h.dialog;
    QVERIFY(d.isVisible());
    QCOMPARE(d.objectName(), QStringLiteral("Form2"));
    QCOMPARE(d.windowTitle(), QStringLiteral("New project"));
    QCOMPARE(d.findChild<QGroupBox *>("Frame1")->title(), QStringLiteral("Generals"));
    QCOMPARE(d.findChild<QGroupBox *>("Frame2")->title(), QStringLiteral("Options"));
    const QList<std::pair<const char *, QString>> captions = {{"Label1", "Project name: "},
                                                              {"Label2", "Project URL: "},
                                                              {"Label3", "Project size: "},
                                                              {"Label5", "Pack size:"},
                                                              {"Label4", "Destination:"}};
    for (const auto &[name, caption] : captions)
        QCOMPARE(d.findChild<QLabel *>(name)->text(), caption);
    QCOMPARE(d.findChild<QLineEdit *>("Txt_Project_Name")->text(), QStringLiteral("setup"));
    QCOMPARE(d.Txt_Project_Name->toolTip(), QStringLiteral("setup"));
    QCOMPARE(d.findChild<QLineEdit *>("Txt_Url")->text(), Setup.url);
    QCOMPARE(d.Txt_Url->toolTip(), Setup.url);
    QCOMPARE(d.findChild<QLineEdit *>("Txt_FileSize")->text(), QStringLiteral("683.59 Kb"));
    QCOMPARE(d.findChild<QLineEdit *>("Txt_Pack")->text(), QStringLiteral("500.00 Kb"));
    const QString folder = h.shell.home.root() + "received/";
    QCOMPARE(d.findChild<QLineEdit *>("Txt_dest")->text(), folder);
    QCOMPARE(d.Txt_dest->toolTip(), folder);
    QCOMPARE(d.findChild<QCheckBox *>("Chk_modem")->text(), QStringLiteral("Show modem"));
    QVERIFY(d.Chk_modem->isChecked());
    QCOMPARE(d.findChild<QPushButton *>("Cmd_Edit")->text(), QStringLiteral("Edit..."));
    QVERIFY(!d.Cmd_Edit->isEnabled());
    QCOMPARE(d.findChild<QPushButton *>("Cmd_Downloader")->text(), QStringLiteral("Download"));
    QCOMPARE(d.findChild<QPushButton *>("Cmd_Annuler")->text(), QStringLiteral("Cancel"));
}

void tst_NewProjectDialog::downloadCreatesTheProject_data()
{
    QTest::addColumn<bool>("modem");
    QTest::newRow("modem line kept") << true;
    QTest::newRow("modem line unticked") << false;
}

void tst_NewProjectDialog::downloadCreatesTheProject()
{
    QFETCH(bool, modem);
    DialogHarness h;
    h.dialog.showResult(Setup);
    h.dialog.Chk_modem->setChecked(modem);

    QTest::mouseClick(h.dialog.Cmd_Downloader, Qt::LeftButton);

    QVERIFY(!h.dialog.isVisible());
    QVERIFY(h.created.wait(2000));
    QCOMPARE(h.created.first().at(0).toString(), QStringLiteral("setup"));
    QCOMPARE(
        fileText(h.shell.store.paths().recordPath("setup")),
        expectedRecord(Setup.url, 700000, h.shell.home.root() + "received/", modem ? "1" : "0"));
    QCOMPARE(h.shell.mainList(), QByteArray("setup\r\n"));
    QCOMPARE(h.done.count(), 1);
}

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

    if (closeBox)
        h.dialog.close();
    else
        QTest::mouseClick(h.dialog.Cmd_Annuler, Qt::LeftButton);

    QVERIFY(!h.dialog.isVisible());
    QCOMPARE(h.done.count(), 1);
    QVERIFY(!h.created.wait(100));
    QVERIFY(!QFileInfo::exists(h.shell.store.paths().projectFolder("setup")));
}

void tst_NewProjectDialog::smallerPackRefusedWithoutRanges()
{
    DialogHarness h;
    h.shell.settings.setPackSizeText("1024000");
    ProbeResult whole = Setup;
    whole.rangeSupported = false;
    h.dialog.showResult(whole);
    h.shell.settings.setPackSizeText("512000");
    h.dialog.refreshOptions();
    QCOMPARE(h.dialog.Txt_Pack->text(), QStringLiteral("500.00 Kb"));

    QTest::mouseClick(h.dialog.Cmd_Downloader, Qt::LeftButton);

    QCOMPARE(h.shell.messages.shown, QList{NoRanges});
    QVERIFY(h.dialog.isVisible());
    QVERIFY(!h.created.wait(100));
    QCOMPARE(h.done.count(), 0);
}

void tst_NewProjectDialog::typedUrlEndsDownloaded()
{
    QTemporaryDir root;
    const QByteArray bytes = TestFiles::randomBytes(1300000, 11);
    QVERIFY(TestFiles::writeFile(root.filePath("dir/setup.exe"), bytes));
    NginxServer nginx(root.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    ShellHarness shell(200);
    shell.configureOptions();
    MainWindow &window = shell.start();
    Probe probe(shell.store, shell.settings, {});
    AddProjectFlow flow(window, probe, shell.store, shell.settings, shell.messages);
    NewProjectDialog &dialog = flow.dialog();
    ProjectsPage *page = window.projectsPage();

    QTest::keyClicks(page->Txt_Url, "http://" + nginx.url("dir/setup.exe"));
    QTest::keyClick(page->Txt_Url, Qt::Key_Return);

    QTRY_VERIFY(dialog.isVisible());
    QVERIFY(!window.isEnabled());
    QCOMPARE(page->Txt_Url->text(), nginx.url("dir/setup.exe"));
    QCOMPARE(page->Lbl_Status_H->text(), QStringLiteral("Nothing to do"));
    QCOMPARE(dialog.Txt_Project_Name->text(), QStringLiteral("setup"));
    QCOMPARE(dialog.Txt_Url->text(), nginx.url("dir/setup.exe"));
    QCOMPARE(dialog.Txt_FileSize->text(), QStringLiteral("1.27 Mb"));

    // The engine moves the project on once it starts it: look at what creation left.
    QByteArray createdRecord;
    int listedRows = 0;
    QObject::connect(&dialog, &NewProjectDialog::projectCreated, &dialog, [&] {
        createdRecord = fileText(shell.store.paths().recordPath("setup"));
        listedRows = int(page->Lst_Main->findItems("setup", Qt::MatchExactly, 1).size());
    });
    QTest::mouseClick(dialog.Cmd_Downloader, Qt::LeftButton);

    QVERIFY(window.isEnabled());
    const QString received = shell.home.root() + "received/";
    QTRY_VERIFY(!createdRecord.isEmpty());
    QCOMPARE(createdRecord, expectedRecord(nginx.url("dir/setup.exe"), 1300000, received, "1"));
    QCOMPARE(page->Txt_Url->text(), QString());
    QCOMPARE(listedRows, 1);
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::sha256OfFile(received + "setup.exe"),
                              TestFiles::sha256(bytes), 30000);
    QCOMPARE(shell.messages.shown, QList<RecordingPresenter::Message>{});
}

void tst_NewProjectDialog::failureIsShownAndInputComesBack()
{
    QTemporaryDir root;
    NginxServer nginx(root.path());
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    ShellHarness shell;
    shell.configureOptions();
    MainWindow &window = shell.start();
    Probe probe(shell.store, shell.settings, {});
    AddProjectFlow flow(window, probe, shell.store, shell.settings, shell.messages);
    ProjectsPage *page = window.projectsPage();

    page->Txt_Url->setText(nginx.url("missing.zip"));
    QTest::mouseClick(page->Cmd_add, Qt::LeftButton);

    QVERIFY(!page->Cmd_add->isEnabled());
    QCOMPARE(page->Lbl_Status_H->text(), QStringLiteral("Testing URL..."));
    QTRY_COMPARE(shell.messages.shown.size(), 1);
    QCOMPARE(shell.messages.shown.first(),
             (RecordingPresenter::Message{
                 "critical", "File not found or the URL don't point on a file !", "Error"}));
    QVERIFY(page->Cmd_add->isEnabled());
    QVERIFY(page->Txt_Url->isEnabled());
    QCOMPARE(page->Lbl_Status_H->text(), QStringLiteral("Nothing to do"));
    QVERIFY(!flow.dialog().isVisible());
    QVERIFY(window.isEnabled());
}

QTEST_MAIN(tst_NewProjectDialog)
#include "tst_NewProjectDialog.moc"
