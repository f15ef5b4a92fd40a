#include "ShellHarness.h"

#include "ui/ColourDialog.h"
#include "ui/DestinationDialog.h"
#include "ui/GraphOptionsFrame.h"
#include "ui/MainOptionsFrame.h"
#include "ui/OptionsDialog.h"

#include <QCheckBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

#include <sys/mount.h>

namespace {

const RecordingPresenter::Message NotNumeric{
    QStringLiteral("critical"), QStringLiteral("Please enter only numeric informations !"),
    QStringLiteral("Error")};

QMap<QString, QString> stored(QSettings &file)
{
    file.sync();
    QMap<QString, QString> values;
    for (const QString &key : file.allKeys())
        values.insert(key, file.value(key).toString());
    return values;
}

QStringList checkedOptions(QWidget *page)
{
    QStringList names;
    for (const QRadioButton *button : page->findChildren<QRadioButton *>()) {
        if (button->isChecked())
            names << button->objectName();
    }
    names.sort();
    return names;
}

void typeOver(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

// A colour button opens the chooser on its colour; the chooser accepts or is cancelled.
void pickColour(OptionsDialog &dialog, QPushButton *button, const QColor &colour, bool accept)
{
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(dialog.CMD->isVisible());
    dialog.CMD->setCurrentColor(colour);
    accept ? dialog.CMD->accept() : dialog.CMD->reject();
}

} // namespace

class tst_OptionsDialog final : public QObject
{
    Q_OBJECT

private slots:
    void storedValuesShownAndKept_data();
    void storedValuesShownAndKept();
    void okWritesCancelWritesNothing_data();
    void okWritesCancelWritesNothing();
    void otherModemSpeedRefused_data();
    void otherModemSpeedRefused();
    void chosenFolderReturnedAndReadOnlyRefused();
};

void tst_OptionsDialog::storedValuesShownAndKept_data()
{
    QTest::addColumn<QString>("packSize");
    QTest::addColumn<QString>("modemSpeed");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QString>("other");
    QTest::newRow("pack size not offered") << "700000"
                                           << "56" << QStringList{"Opt_Modem_56k"} << "33.6";
    QTest::newRow("modem 100") << "1024000"
                               << "100" << QStringList{"Opt_Modem_Other", "Opt_Pack_1mb"} << "100";
    QTest::newRow("modem 33.6") << "2048000"
                                << "33.6" << QStringList{"Opt_Modem_Other", "Opt_Pack_2mb"}
                                << "33.6";
    QTest::newRow("modem 512") << "512000"
                               << "512" << QStringList{"Opt_Modem_512k", "Opt_Pack_5mb"} << "33.6";
}

void tst_OptionsDialog::storedValuesShownAndKept()
{
    QFETCH(QString, packSize);
    QFETCH(QString, modemSpeed);
    QFETCH(QStringList, checked);
    ShellHarness shell;
    shell.configureOptions();
    shell.settings.setPackSizeText(packSize);
    shell.settings.setModemSpeedText(modemSpeed);
    OptionsDialog dialog(shell.settings, shell.messages);

    QCOMPARE(checkedOptions(dialog.Frm_Main), checked);
    QTEST(dialog.Frm_Main->Txt_Modem_Other->text(), "other");
    QCOMPARE(dialog.Frm_Main->Txt_Modem_Other->isEnabled(), checked.contains("Opt_Modem_Other"));
    QCOMPARE(dialog.Frm_Graph->Chk_Show_Modem->text(),
             "Show modem " + modemSpeed + "K (recommended)");
    QTest::mouseClick(dialog.Cmd_OK, Qt::LeftButton);
    QCOMPARE(shell.settings.packSizeText(), packSize);
    QCOMPARE(shell.settings.modemSpeedText(), modemSpeed);
}

void tst_OptionsDialog::okWritesCancelWritesNothing_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void tst_OptionsDialog::okWritesCancelWritesNothing()
{
    QFETCH(bool, ok);
    ShellHarness shell;
    shell.configureOptions();
    QMap<QString, QString> expected = stored(shell.settingsFile);
    OptionsDialog dialog(shell.settings, shell.messages);
    dialog.show();
    MainOptionsFrame *main = dialog.Frm_Main;
    const QString folder = shell.home.root() + "new folder";
    main->Txt_Download_Path->setText(folder);
    main->Opt_Pack_2mb->click();
    main->Opt_Modem_Other->click();
    typeOver(main->Txt_Modem_Other, "12.5");
    dialog.Frm_Graph->Chk_Show_Modem->click();
    QWidget *bars = dialog.findChild<QWidget *>("Frm_Barre");
    pickColour(dialog, bars->findChild<QPushButton *>("Cmd_Sec_Bar_1"), Qt::red, true);
    QTest::mouseClick(bars->findChild<QPushButton *>("Cmd_Barre_Default"), Qt::LeftButton);
    pickColour(dialog, bars->findChild<QPushButton *>("Cmd_Main_Bar_2"), Qt::green, true);
    pickColour(dialog, dialog.Frm_Graph->Cmd_Graph_modem_color, Qt::blue, true);
    pickColour(dialog, dialog.Frm_Graph->Cmd_Graph_back, Qt::black, false);

    QTest::mouseClick(ok ? dialog.Cmd_OK : dialog.Cmd_Annuler, Qt::LeftButton);

    QVERIFY(!dialog.isVisible());
    if (ok) {
        const QList<std::pair<QString, QString>> written{
            {"FilePath", folder + "/"},   {"packsize", "2048000"},       {"modemspeed", "12.5"},
            {"ShowModem", "0"},           {"mainbarreback", "16777215"}, {"mainbarrefor", "65280"},
            {"secbarreback", "16777215"}, {"secbarrefor", "8421631"},    {"graphback", "16777215"},
            {"graphfor", "8421631"},      {"graphmodem", "16711680"}};
        for (const auto &[key, value] : written)
            expected.insert("options/" + key, value);
        QVERIFY(QFileInfo(folder).isDir());
    }
    QCOMPARE(stored(shell.settingsFile), expected);
    QCOMPARE(shell.messages.shown, QList<RecordingPresenter::Message>{});
}

void tst_OptionsDialog::otherModemSpeedRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refusedAtOnce");
    QTest::newRow("letter, while typing") << "5x" << true;
    QTest::newRow("zero, at OK") << "0" << false;
}

// The field falls back to 33.6 either way; a refusal at OK writes nothing and keeps the dialog.
void tst_OptionsDialog::otherModemSpeedRefused()
{
    QFETCH(QString, typed);
    QFETCH(bool, refusedAtOnce);
    ShellHarness shell;
    shell.configureOptions();
    OptionsDialog dialog(shell.settings, shell.messages);
    dialog.show();
    dialog.Frm_Main->Opt_Modem_Other->click();
    typeOver(dialog.Frm_Main->Txt_Modem_Other, typed);
    QCOMPARE(shell.messages.shown.size(), refusedAtOnce ? 1 : 0);

    QTest::mouseClick(dialog.Cmd_OK, Qt::LeftButton);

    QCOMPARE(shell.messages.shown, QList{NotNumeric});
    QCOMPARE(dialog.Frm_Main->Txt_Modem_Other->text(), QStringLiteral("33.6"));
    QCOMPARE(dialog.isVisible(), !refusedAtOnce);
    QCOMPARE(shell.settings.modemSpeedText(), refusedAtOnce ? "33.6" : "56");
}

void tst_OptionsDialog::chosenFolderReturnedAndReadOnlyRefused()
{
    ShellHarness shell;
    shell.configureOptions();
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
    QCOMPARE(form4->Txt_New_path->text(), folder + "/");
    QTest::mouseClick(form4->Cmd_OK, Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Frm_Main->Txt_Download_Path->text(), folder + "/");

    // Root writes into a folder without write bits, not into a read-only mount.
    if (mount("quillfetch-test", qPrintable(folder), "tmpfs", MS_RDONLY, "size=64k") != 0)
        QSKIP(qPrintable("mounting a tmpfs is not allowed here: " + qt_error_string(errno)));
    const auto unmount = qScopeGuard([&folder] { umount(qPrintable(folder)); });
    const QMap<QString, QString> before = stored(shell.settingsFile);
    QTest::mouseClick(dialog.Cmd_OK, Qt::LeftButton);
    const RecordingPresenter::Message refusal{"critical",
                                              "Unable to create or write into the folder " +
                                                  folder + "/ ! Please choose another one.",
                                              "Error"};
    QCOMPARE(shell.messages.shown, QList{refusal});
    QVERIFY(dialog.isVisible());
    QCOMPARE(stored(shell.settingsFile), before);
}

QTEST_MAIN(tst_OptionsDialog)
#include "tst_OptionsDialog.moc"
