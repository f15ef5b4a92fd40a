#include "ui/NewProjectDialog.h"

#include "options/Settings.h"
#include "progress/DisplayText.h"
#include "store/ProjectStore.h"
#include "ui/MessagePresenter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString ErrorTitle = QStringLiteral("Error");
const QString NoRangesText =
    QStringLiteral("Unable to use the high speed download method on this server !");
const QString CreationFailedText = QStringLiteral("Unable to create the project %1 !");
const QString NoChecksumText =
    QStringLiteral("The checksum must be a SHA-256, SHA-512, SHA-1 or MD5 digest in hexadecimal, "
                   "alone or after its name, as in \"sha256:\" !");

template<typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit *readOnlyField(const char *name)
{
    auto *field = named(new QLineEdit, name);
    field->setReadOnly(true);
    return field;
}

void setTextAndTip(QLineEdit *field, const QString &text)
{
    field->setText(text);
    field->setToolTip(text);
}

} // namespace

NewProjectDialog::NewProjectDialog(ProjectStore &store, const Settings &settings,
                                   MessagePresenter &messages, QWidget *parent)
    : QDialog(parent), Frame1(named(new QGroupBox(QStringLiteral("Generals")), "Frame1")),
      Label1(named(new QLabel(QStringLiteral("Project name: ")), "Label1")),
      Txt_Project_Name(readOnlyField("Txt_Project_Name")),
      Label2(named(new QLabel(QStringLiteral("Project URL: ")), "Label2")),
      Txt_Url(readOnlyField("Txt_Url")),
      Label3(named(new QLabel(QStringLiteral("Project size: ")), "Label3")),
      Txt_FileSize(readOnlyField("Txt_FileSize")),
      Label6(named(new QLabel(QStringLiteral("Checksum:")), "Label6")),
      Txt_Checksum(named(new QLineEdit, "Txt_Checksum")),
      Frame2(named(new QGroupBox(QStringLiteral("Options")), "Frame2")),
      Label5(named(new QLabel(QStringLiteral("Pack size:")), "Label5")),
      Txt_Pack(readOnlyField("Txt_Pack")),
      Label4(named(new QLabel(QStringLiteral("Destination:")), "Label4")),
      Txt_dest(readOnlyField("Txt_dest")),
      Chk_modem(named(new QCheckBox(QStringLiteral("Show modem")), "Chk_modem")),
      Cmd_Edit(named(new QPushButton(QStringLiteral("Edit...")), "Cmd_Edit")),
      Cmd_Downloader(named(new QPushButton(QStringLiteral("Download")), "Cmd_Downloader")),
      Cmd_Annuler(named(new QPushButton(QStringLiteral("Cancel")), "Cmd_Annuler")), m_store(store),
      m_settings(settings), m_messages(messages)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("New project"));
    buildLayout();
    Cmd_Downloader->setDefault(true);

    Timer_Valide.setSingleShot(true);
    Timer_Valide.setInterval(ValideDelayMs);
    connect(&Timer_Valide, &QTimer::timeout, this, &NewProjectDialog::Timer_Valide_Tick);
    connect(Cmd_Downloader, &QPushButton::clicked, this, &NewProjectDialog::Cmd_Downloader_Click);
    connect(Cmd_Annuler, &QPushButton::clicked, this, &QDialog::reject);
    connect(Cmd_Edit, &QPushButton::clicked, this, [this] {
        hide();
        emit optionsRequested();
    });
    connect(this, &QDialog::rejected, this, &NewProjectDialog::dropResult);
}

void NewProjectDialog::buildLayout()
{
    auto *generals = new QGridLayout(Frame1);
    generals->addWidget(Label1, 0, 0);
    generals->addWidget(Txt_Project_Name, 0, 1);
    generals->addWidget(Label2, 1, 0);
    generals->addWidget(Txt_Url, 1, 1);
    generals->addWidget(Label3, 2, 0);
    generals->addWidget(Txt_FileSize, 2, 1);
    generals->addWidget(Label6, 3, 0);
    generals->addWidget(Txt_Checksum, 3, 1);
    Label6->setBuddy(Txt_Checksum);
    Txt_Checksum->setPlaceholderText(QStringLiteral("optional, e.g. sha256:..."));

    auto *options = new QGridLayout(Frame2);
    options->addWidget(Label5, 0, 0);
    options->addWidget(Txt_Pack, 0, 1);
    options->addWidget(Label4, 1, 0);
    options->addWidget(Txt_dest, 1, 1);
    options->addWidget(Chk_modem, 2, 0, 1, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Cmd_Edit);
    buttons->addStretch();
    buttons->addWidget(Cmd_Downloader);
    buttons->addWidget(Cmd_Annuler);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

void NewProjectDialog::showResult(const ProbeResult &result)
{
    m_result = result;
    setTextAndTip(Txt_Project_Name, result.projectName);
    setTextAndTip(Txt_Url, result.url);
    Txt_FileSize->setText(Format_Taille(result.size));
    Txt_Checksum->setText(result.checksum ? result.checksum->text() : QString());
    refreshOptions();
    // Whatever button had the focus when the dialog closed, Enter means "Download".
    Cmd_Downloader->setDefault(true);
    Cmd_Downloader->setFocus();
    show();
    raise();
    activateWindow();
}

void NewProjectDialog::refreshOptions()
{
    m_options = NewProjectOptions::fromSettings(m_settings);
    showOptions();
}

void NewProjectDialog::showOptions()
{
    Txt_Pack->setText(Format_Taille(m_options.packSize));
    setTextAndTip(Txt_dest, m_options.downloadFolder);
    Chk_modem->setChecked(m_options.showModem);
}

void NewProjectDialog::Cmd_Downloader_Click()
{
    // A server without ranges is usable only while the file fits in one pack, and the pack
    // size may have changed since the probe.
    if (!fitsTransfer(m_result, m_options.packSize)) {
        m_messages.critical(this, NoRangesText, ErrorTitle);
        return;
    }
    const QString checksum = Txt_Checksum->text().trimmed();
    m_checksum = Checksum::parse(checksum);
    if (!checksum.isEmpty() && !m_checksum) {
        m_messages.critical(this, NoChecksumText, ErrorTitle);
        return;
    }
    m_options.showModem = Chk_modem->isChecked();
    m_record = newProjectRecord(m_result, m_options, m_settings);
    Timer_Valide.start();
    accept();
}

void NewProjectDialog::Timer_Valide_Tick()
{
    if (m_store.createProject(m_result.projectName, m_record, m_result.validators, m_checksum,
                              m_result.serverFileName, m_result.access)) {
        if (!m_result.loginThisRun.isEmpty())
            m_store.useLoginThisRun(m_result.projectName, m_result.loginThisRun);
        emit projectCreated(m_result.projectName);
    } else {
        m_messages.critical(nullptr, CreationFailedText.arg(m_result.projectName), ErrorTitle);
    }
    emit resultDone();
}

void NewProjectDialog::dropResult()
{
    emit resultDone();
}
