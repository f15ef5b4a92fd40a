#include "ShellHarness.h"

#include "ui/DestinationDialog.h"
#include "ui/GraphOptionsFrame.h"
#include "ui/MainOptionsFrame.h"
#include "ui/OptionsDialog.h"

#include <sys/mount.h>

namespace {

const QString NotNumeric = "critical|Error|Please enter only numeric informations !";

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

class tst_OptionsDialog final : public QObject
{
    Q_OBJECT

private slots:
    void okWritesWhatIsShownCancelNothing_data();
    void okWritesWhatIsShownCancelNothing();
    void chosenFolderReturnedRefusalsWriteNothing();
};

void tst_OptionsDialog::okWritesWhatIsShownCancelNothing_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

// The dialog opens on a pack size it does not offer (kept as it is) and a modem speed of its
// own, which takes only numbers.
void tst_OptionsDialog::okWritesWhatIsShownCancelNothing()
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

    const QString folder = shell.home.root() + "new folder";
    main->Txt_Download_Path->setText(folder);
    typeOver(main->Txt_Modem_Other, "5x"); // refused at once: the field falls back to 33.6
    QCOMPARE(shell.messages.shown, QStringList{NotNumeric});
    QCOMPARE(main->Txt_Modem_Other->text(), "33.6");
    typeOver(main->Txt_Modem_Other, "12.5");
    QCOMPARE(dialog.Frm_Graph->Chk_Show_Modem->text(), "Show modem 12.5K (recommended)");
    dialog.Frm_Graph->Chk_Show_Modem->click();
    QTest::mouseClick(ok ? dialog.Cmd_OK : dialog.Cmd_Annuler, Qt::LeftButton);

    QVERIFY(!dialog.isVisible());
    if (ok) {
        expected.insert("options/FilePath", folder + "/");
        expected.insert("options/modemspeed", "12.5");
        expected.insert("options/ShowModem", "0");
    }
    // OK writes the colours too, as they are; Cancel writes nothing.
    const QMap<QString, QString> after = stored(shell.settingsFile);
    for (auto entry = expected.cbegin(); entry != expected.cend(); ++entry)
        QCOMPARE(after.value(entry.key()), entry.value());
    if (!ok)
        QCOMPARE(after, expected);
    QCOMPARE(QFileInfo(folder).isDir(), ok);
}

// The chooser opens on the download path and gives back the folder picked. At OK a modem speed of
// 0, then a folder nothing can be written into, are refused: the dialog stays, nothing is stored.
void tst_OptionsDialog::chosenFolderReturnedRefusalsWriteNothing()
{
    ShellHarness shell;
    const QString folder = shell.home.root() + "readonly";
    QVERIFY(QDir().mkpath(folder));
    OptionsDialog dialog(shell.settings, shell.messages);
    dialog.show();
    QTest::mouseClick(dialog.Frm_Main->Command1, Qt::LeftButton);
    auto *form4 = dialog.findChild<DestinationDialog *>("Form4");
    QVERIFY(form4 && form4->isVisible() && !dialog.isVisible());
    QCOMPARE(form4->Txt_New_path->text(), shell.home.root() + "received/");
    auto *folders = qobject_cast<QFileSystemModel *>(form4->Dir->model());
    form4->Dir->setCurrentIndex(folders->index(folder));
    QTest::mouseClick(form4->Cmd_OK, Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Frm_Main->Txt_Download_Path->text(), folder + "/");
    const QMap<QString, QString> before = stored(shell.settingsFile);
    MainOptionsFrame *main = dialog.Frm_Main;
    QVERIFY(main->Opt_Modem_56k->isChecked() && !main->Txt_Modem_Other->isEnabled());
    main->Opt_Modem_Other->click();
    typeOver(main->Txt_Modem_Other, "0");
    QVERIFY(shell.messages.shown.isEmpty());
    QTest::mouseClick(dialog.Cmd_OK, Qt::LeftButton);
    QCOMPARE(shell.messages.shown, QStringList{NotNumeric});
    QCOMPARE(main->Txt_Modem_Other->text(), "33.6");
    QVERIFY(dialog.isVisible());

    // Root writes into a folder without write bits, not into a read-only mount.
    if (mount("quillfetch-test", qPrintable(folder), "tmpfs", MS_RDONLY, "size=64k") != 0)
        QSKIP(qPrintable("mounting a tmpfs is not allowed here: " + qt_error_string(errno)));
    const auto unmount = qScopeGuard([&folder] { umount(qPrintable(folder)); });
    QTest::mouseClick(dialog.Cmd_OK, Qt::LeftButton);
    QCOMPARE(shell.messages.shown,
             (QStringList{NotNumeric, "critical|Error|Unable to create or write into the folder " +
                                          folder + "/ ! Please choose another one."}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(stored(shell.settingsFile), before);
}

QTEST_MAIN(tst_OptionsDialog)
#include "tst_OptionsDialog.moc"
