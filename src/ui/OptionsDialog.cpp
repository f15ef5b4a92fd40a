#include "ui/OptionsDialog.h"

#include "options/Settings.h"
#include "ui/BarOptionsFrame.h"
#include "ui/ColourDialog.h"
#include "ui/DestinationDialog.h"
#include "ui/GraphOptionsFrame.h"
#include "ui/MainOptionsFrame.h"
#include "ui/NamedControl.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

OptionsDialog::OptionsDialog(Settings &settings, MessagePresenter &messages, QWidget *parent)
    : QDialog(parent), Choix(named(new QTabWidget, "Choix")), CMD(new ColourDialog(this)),
      Frm_Main(new MainOptionsFrame(messages)), Frm_Barre(new BarOptionsFrame(*CMD)),
      Frm_Graph(new GraphOptionsFrame(*CMD)),
      Cmd_OK(named(new QPushButton(QStringLiteral("OK")), "Cmd_OK")),
      Cmd_Annuler(named(new QPushButton(QStringLiteral("Cancel")), "Cmd_Annuler")),
      m_settings(settings)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Options"));
    buildLayout();
    Cmd_OK->setDefault(true);
    connect(Frm_Main, &MainOptionsFrame::modemSpeedChanged, Frm_Graph,
            &GraphOptionsFrame::setModemSpeed);
    connect(Frm_Main, &MainOptionsFrame::destinationRequested, this,
            &OptionsDialog::Command1_Click);
    connect(Cmd_OK, &QPushButton::clicked, this, &OptionsDialog::Cmd_OK_Click);
    connect(Cmd_Annuler, &QPushButton::clicked, this, &QDialog::reject);

    Frm_Main->load(settings);
    Frm_Barre->loadColours(settings);
    Frm_Graph->load(settings);
}

void OptionsDialog::buildLayout()
{
    Choix->addTab(Frm_Main, QStringLiteral("Main options"));
    Choix->addTab(Frm_Barre, QStringLiteral("Progress bar options"));
    Choix->addTab(Frm_Graph, QStringLiteral("Graphics options"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmd_OK);
    buttons->addWidget(Cmd_Annuler);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Choix);
    layout->addLayout(buttons);
}

void OptionsDialog::limitOnly()
{
    m_limitOnly = true;
    Frm_Main->limitOnly();
    Frm_Barre->setEnabled(false);
    Frm_Graph->setEnabled(false);
}

void OptionsDialog::Cmd_OK_Click()
{
    if (!Frm_Main->check())
        return;
    Frm_Main->save(m_settings);
    if (m_limitOnly) {
        m_settings.sync();
        accept();
        return;
    }
    Frm_Barre->saveColours(m_settings);
    Frm_Graph->save(m_settings);
    m_settings.sync();
    accept();
}

// The folder chooser takes this dialog's place until it is closed; only its OK changes the
// download path, and nothing is stored before this dialog's OK.
void OptionsDialog::Command1_Click()
{
    auto *Form4 = new DestinationDialog(Frm_Main->Txt_Download_Path->text(), this);
    connect(Form4, &QDialog::accepted, this,
            [this, Form4] { Frm_Main->Txt_Download_Path->setText(Form4->path()); });
    connect(Form4, &QDialog::finished, this, [this, Form4] {
        Form4->deleteLater();
        show();
    });
    hide();
    Form4->show();
}
