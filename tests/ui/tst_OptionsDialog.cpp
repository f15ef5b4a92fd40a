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

const QString NotNumeric = "critical|Error|Please enter only numeric informations !";

// A configured home; the dialog opens on whatever the settings then hold.
struct Rig
{
    OptionsDialog &open()
    {
        dialog = std::make_unique<OptionsDialog>(shell.settings, shell.messages);
        dialog->show();
        return *dialog;
    }
    QMap<QString, QString> stored()
    {
        shell.settingsFile.sync();
        QMap<QString, QString> values;
        for (const QString &key : shell.settingsFile.allKeys())
            values.insert(key, shell.settingsFile.value(key).toString());
        return values;
    }
    // A colour button opens the chooser on its colour; the choice is taken or cancelled.
    void pickColour(const char *button, const QColor &colour, bool take = true)
    {
        QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
        QVERIFY(dialog->CMD->isVisible());
        dialog->CMD->setCurrentColor(colour);
        take ? dialog->CMD->accept() : dialog->CMD->reject();
    }

    ShellHarness shell;
    std::unique_ptr<OptionsDialog> dialog;
};

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
    void storedValuesShownAndKept_data()
    {
        QTest::addColumn<QString>("packSize");
        QTest::addColumn<QString>("modemSpeed");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QString>("other");
        QTest::newRow("pack size not offered") << "700000"
                                               << "56" << QStringList{"Opt_Modem_56k"} << "33.6";
        QTest::newRow("modem 100")
            << "1024000"
            << "100" << QStringList{"Opt_Modem_Other", "Opt_Pack_1mb"} << "100";
    }

    void storedValuesShownAndKept()
    {
        QFETCH(QString, packSize);
        QFETCH(QString, modemSpeed);
        QFETCH(QStringList, checked);
        Rig rig;
        rig.shell.settings.setPackSizeText(packSize);
        rig.shell.settings.setModemSpeedText(modemSpeed);
        MainOptionsFrame *main = rig.open().Frm_Main;

        QStringList shown;
        for (const QRadioButton *button : main->findChildren<QRadioButton *>()) {
            if (button->isChecked())
                shown << button->objectName();
        }
        shown.sort();
        QCOMPARE(shown, checked);
        QTEST(main->Txt_Modem_Other->text(), "other");
        QCOMPARE(main->Txt_Modem_Other->isEnabled(), main->Opt_Modem_Other->isChecked());
        QCOMPARE(rig.dialog->Frm_Graph->Chk_Show_Modem->text(),
                 "Show modem " + modemSpeed + "K (recommended)");
        QTest::mouseClick(rig.dialog->Cmd_OK, Qt::LeftButton);
        QCOMPARE(rig.shell.settings.packSizeText(), packSize);
        QCOMPARE(rig.shell.settings.modemSpeedText(), modemSpeed);
    }

    void okWritesCancelWritesNothing_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }

    void okWritesCancelWritesNothing()
    {
        QFETCH(bool, ok);
        Rig rig;
        QMap<QString, QString> expected = rig.stored();
        MainOptionsFrame *main = rig.open().Frm_Main;
        const QString folder = rig.shell.home.root() + "new folder";
        main->Txt_Download_Path->setText(folder);
        main->Opt_Pack_2mb->click();
        main->Opt_Modem_Other->click();
        typeOver(main->Txt_Modem_Other, "12.5");
        rig.dialog->Frm_Graph->Chk_Show_Modem->click();
        rig.pickColour("Cmd_Sec_Bar_1", Qt::red);
        QTest::mouseClick(rig.dialog->findChild<QPushButton *>("Cmd_Barre_Default"),
                          Qt::LeftButton);
        rig.pickColour("Cmd_Main_Bar_2", Qt::green);
        rig.pickColour("Cmd_Graph_modem_color", Qt::blue);
        rig.pickColour("Cmd_Graph_back", Qt::black, false);

        QTest::mouseClick(ok ? rig.dialog->Cmd_OK : rig.dialog->Cmd_Annuler, Qt::LeftButton);

        QVERIFY(!rig.dialog->isVisible());
        const QList<std::pair<QString, QString>> written{
            {"FilePath", folder + "/"},   {"packsize", "2048000"},       {"modemspeed", "12.5"},
            {"ShowModem", "0"},           {"mainbarreback", "16777215"}, {"mainbarrefor", "65280"},
            {"secbarreback", "16777215"}, {"secbarrefor", "8421631"},    {"graphback", "16777215"},
            {"graphfor", "8421631"},      {"graphmodem", "16711680"}};
        for (const auto &[key, value] : written) {
            if (ok)
                expected.insert("options/" + key, value);
        }
        QCOMPARE(rig.stored(), expected);
        QCOMPARE(QFileInfo(folder).isDir(), ok);
        QCOMPARE(rig.shell.messages.shown, QStringList());
    }

    void otherModemSpeedRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refusedAtOnce");
        QTest::newRow("letter, while typing") << "5x" << true;
        QTest::newRow("zero, at OK") << "0" << false;
    }

    // The field falls back to 33.6; a refusal at OK writes nothing and keeps the dialog open.
    void otherModemSpeedRefused()
    {
        QFETCH(QString, typed);
        QFETCH(bool, refusedAtOnce);
        Rig rig;
        MainOptionsFrame *main = rig.open().Frm_Main;
        main->Opt_Modem_Other->click();
        typeOver(main->Txt_Modem_Other, typed);
        QCOMPARE(rig.shell.messages.shown.size(), refusedAtOnce ? 1 : 0);

        QTest::mouseClick(rig.dialog->Cmd_OK, Qt::LeftButton);

        QCOMPARE(rig.shell.messages.shown, QList{NotNumeric});
        QCOMPARE(main->Txt_Modem_Other->text(), QStringLiteral("33.6"));
        QCOMPARE(rig.dialog->isVisible(), !refusedAtOnce);
        QCOMPARE(rig.shell.settings.modemSpeedText(), refusedAtOnce ? "33.6" : "56");
    }

    void chosenFolderReturnedAndReadOnlyRefused()
    {
        Rig rig;
        const QString folder = rig.shell.home.root() + "readonly";
        QVERIFY(QDir().mkpath(folder));
        OptionsDialog &dialog = rig.open();
        QTest::mouseClick(dialog.Frm_Main->Command1, Qt::LeftButton);
        auto *form4 = dialog.findChild<DestinationDialog *>("Form4");
        QVERIFY(form4 && form4->isVisible() && !dialog.isVisible());
        QCOMPARE(form4->Txt_New_path->text(), rig.shell.home.root() + "received/");
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
        const QMap<QString, QString> before = rig.stored();
        QTest::mouseClick(dialog.Cmd_OK, Qt::LeftButton);
        QCOMPARE(rig.shell.messages.shown,
                 QStringList{"critical|Error|Unable to create or write into the folder " + folder +
                             "/ ! Please choose another one."});
        QVERIFY(dialog.isVisible());
        QCOMPARE(rig.stored(), before);
    }
};

QTEST_MAIN(tst_OptionsDialog)
#include "tst_OptionsDialog.moc"
