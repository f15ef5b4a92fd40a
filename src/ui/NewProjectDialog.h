#pragma once

#include "probe/NewProjectRecord.h"
#include "probe/ProbeResult.h"

#include <QDialog>
#include <QTimer>

class MessagePresenter;
class ProjectStore;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Settings;

// The new-project dialog ("Form2"): shows what the probe found and the options the project
// will carry, and takes the digest the file must have ("Checksum", filled with the one the probe
// found). "Download" creates the project through Timer_Valide, once the dialog is closed;
// "Cancel" and the close box drop the probe's result.
class NewProjectDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NewProjectDialog)

public:
    static constexpr int ValideDelayMs = 10;

    NewProjectDialog(ProjectStore &store, const Settings &settings, MessagePresenter &messages,
                     QWidget *parent = nullptr);

    // Fills the fields from a successful probe and the current options, and shows the dialog.
    void showResult(const ProbeResult &result);
    // Re-reads the pack size, the destination and the modem line from the settings, which the
    // options dialog may have changed.
    void refreshOptions();

    QGroupBox *const Frame1;
    QLabel *const Label1;
    QLineEdit *const Txt_Project_Name;
    QLabel *const Label2;
    QLineEdit *const Txt_Url;
    QLabel *const Label3;
    QLineEdit *const Txt_FileSize;
    QLabel *const Label6;
    QLineEdit *const Txt_Checksum; // optional: the digest the file must have
    QGroupBox *const Frame2;
    QLabel *const Label5;
    QLineEdit *const Txt_Pack;
    QLabel *const Label4;
    QLineEdit *const Txt_dest;
    QCheckBox *const Chk_modem;
    QPushButton *const Cmd_Edit;
    QPushButton *const Cmd_Downloader;
    QPushButton *const Cmd_Annuler;

signals:
    // The project exists: the lists are to be rebuilt and the URL field cleared.
    void projectCreated(const QString &name);
    // "Edit...": the dialog has hidden itself until the options are edited.
    void optionsRequested();
    // The probe's result is dealt with (project created, creation failed, or dropped).
    void resultDone();

private:
    void buildLayout();
    void showOptions();
    void Cmd_Downloader_Click();
    void Timer_Valide_Tick();
    void dropResult();

    ProjectStore &m_store;
    const Settings &m_settings;
    MessagePresenter &m_messages;
    QTimer Timer_Valide;
    ProbeResult m_result;
    NewProjectOptions m_options;
    ProjectRecord m_record;
    std::optional<Checksum> m_checksum;
};
