#include "ui/MainOptionsFrame.h"

#include "options/DownloadFolderCheck.h"
#include "options/ModemSpeed.h"
#include "options/RateText.h"
#include "options/Settings.h"
#include "ui/MessagePresenter.h"
#include "ui/NamedControl.h"
#include "ui/ProxyOptions.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString ErrorTitle = QStringLiteral("Error");
const QString NotNumeric = QStringLiteral("Please enter only numeric informations !");
constexpr double OtherSpeed = 33.6;
const QString NotASpeed =
    QStringLiteral("Please enter the speed limit in Kb/s (500), or with its unit (500k, 2M) !");
constexpr qint64 Kb = 1024;

QRadioButton *option(const char *name, const QString &caption)
{
    return named(new QRadioButton(caption), name);
}

} // namespace

MainOptionsFrame::MainOptionsFrame(MessagePresenter &messages, QWidget *parent)
    : QGroupBox(QStringLiteral("Main options"), parent),
      Txt_Download_Path(named(new QLineEdit, "Txt_Download_Path")),
      Command1(named(new QPushButton(QStringLiteral("Edit...")), "Command1")),
      Opt_Pack_1mb(option("Opt_Pack_1mb", QStringLiteral("1 Mb"))),
      Opt_Pack_2mb(option("Opt_Pack_2mb", QStringLiteral("2 Mb"))),
      Opt_Pack_5mb(option("Opt_Pack_5mb", QStringLiteral("500 Kb  (recommended)"))),
      Opt_Modem_56k(option("Opt_Modem_56k", QStringLiteral("56 K"))),
      Opt_Modem_64k(option("Opt_Modem_64k", QStringLiteral("64 K"))),
      Opt_Modem_128k(option("Opt_Modem_128k", QStringLiteral("128 K"))),
      Opt_Modem_256k(option("Opt_Modem_256k", QStringLiteral("256 K"))),
      Opt_Modem_512k(option("Opt_Modem_512k", QStringLiteral("512 K"))),
      Opt_Modem_1024k(option("Opt_Modem_1024k", QStringLiteral("1024 K"))),
      Opt_Modem_Other(option("Opt_Modem_Other", QStringLiteral("Other"))),
      Txt_Modem_Other(named(new QLineEdit(QStringLiteral("33.6")), "Txt_Modem_Other")),
      Chk_Limit_Speed(
          named(new QCheckBox(QStringLiteral("Limit the speed to")), "Chk_Limit_Speed")),
      Txt_Limit_Speed(named(new QLineEdit, "Txt_Limit_Speed")), Proxy(new ProxyOptions(this)),
      m_messages(messages), m_packSizes{{Opt_Pack_1mb, 1024000},
                                        {Opt_Pack_2mb, 2048000},
                                        {Opt_Pack_5mb, 512000}},
      m_modemSpeeds{{Opt_Modem_1024k, 1024}, {Opt_Modem_512k, 512}, {Opt_Modem_256k, 256},
                    {Opt_Modem_128k, 128},   {Opt_Modem_64k, 64},   {Opt_Modem_56k, 56}}
{
    setObjectName(QStringLiteral("Frm_Main"));
    buildLayout();
    Txt_Modem_Other->setEnabled(false);
    connect(Txt_Download_Path, &QLineEdit::textChanged, Txt_Download_Path, &QLineEdit::setToolTip);
    connect(Command1, &QPushButton::clicked, this, &MainOptionsFrame::destinationRequested);
    connect(Chk_Limit_Speed, &QCheckBox::toggled, Txt_Limit_Speed, &QLineEdit::setEnabled);
    connectModemChoice();
}

void MainOptionsFrame::buildLayout()
{
    auto *packs = new QButtonGroup(this);
    auto *modems = new QButtonGroup(this);
    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Download path:")), 0, 0);
    layout->addWidget(Txt_Download_Path, 0, 1, 1, 3);
    layout->addWidget(Command1, 0, 4);
    layout->addWidget(new QLabel(QStringLiteral("Pack size:")), 1, 0);
    int column = 1;
    for (auto *button : {Opt_Pack_5mb, Opt_Pack_1mb, Opt_Pack_2mb}) {
        packs->addButton(button);
        layout->addWidget(button, 1, column++);
    }
    layout->addWidget(new QLabel(QStringLiteral("Modem speed:")), 2, 0);
    int index = 0;
    for (auto *button : {Opt_Modem_56k, Opt_Modem_64k, Opt_Modem_128k, Opt_Modem_256k,
                         Opt_Modem_512k, Opt_Modem_1024k, Opt_Modem_Other}) {
        modems->addButton(button);
        layout->addWidget(button, 2 + index / 4, 1 + index % 4);
        ++index;
    }
    layout->addWidget(Txt_Modem_Other, 4, 1, 1, 2);
    layout->addWidget(Chk_Limit_Speed, 5, 0);
    layout->addWidget(Txt_Limit_Speed, 5, 1);
    layout->addWidget(new QLabel(QStringLiteral("Kb/s")), 5, 2);
    layout->setRowStretch(Proxy->addTo(*layout, 6), 1);
}

void MainOptionsFrame::connectModemChoice()
{
    for (const auto &[button, speed] : m_modemSpeeds) {
        connect(button, &QRadioButton::toggled, this, [this, speed = speed](bool checked) {
            if (!checked)
                return;
            Txt_Modem_Other->setEnabled(false);
            setModemSpeed(QString::number(speed));
        });
    }
    connect(Opt_Modem_Other, &QRadioButton::toggled, this, [this](bool checked) {
        if (!checked)
            return;
        Txt_Modem_Other->setEnabled(true);
        setModemSpeed(Txt_Modem_Other->text());
    });
    connect(Txt_Modem_Other, &QLineEdit::textEdited, this,
            &MainOptionsFrame::Txt_Modem_Other_Change);
}

void MainOptionsFrame::load(const Settings &settings)
{
    Txt_Download_Path->setText(settings.filePath());
    bool ok = false;
    const qint64 packSize = settings.packSizeText().toLongLong(&ok);
    for (const auto &[button, size] : m_packSizes)
        button->setChecked(ok && packSize == size);
    loadModemSpeed(settings.modemSpeedText());
    Txt_Limit_Speed->setText(settings.speedLimitText());
    Chk_Limit_Speed->setChecked(settings.limitSpeed());
    Txt_Limit_Speed->setEnabled(settings.limitSpeed());
    Proxy->load(settings);
}

void MainOptionsFrame::limitOnly()
{
    m_limitOnly = true;
    for (QWidget *control :
         {static_cast<QWidget *>(Txt_Download_Path), static_cast<QWidget *>(Command1),
          static_cast<QWidget *>(Opt_Modem_Other), static_cast<QWidget *>(Txt_Modem_Other)})
        control->setEnabled(false);
    for (const auto &[button, size] : m_packSizes)
        button->setEnabled(false);
    for (const auto &[button, speed] : m_modemSpeeds)
        button->setEnabled(false);
    Proxy->disable();
}

void MainOptionsFrame::loadModemSpeed(const QString &stored)
{
    const double speed = typedNumber(stored, QLocale::c()).value_or(0);
    for (const auto &[button, fixed] : m_modemSpeeds) {
        if (speed == fixed) {
            button->setChecked(true);
            return;
        }
    }
    Txt_Modem_Other->setText(stored);
    Opt_Modem_Other->setChecked(true);
}

// While the user types, a text that is no number at all is refused at once; an empty field or
// a speed of 0 may still become a valid number and is judged when the options are saved.
void MainOptionsFrame::Txt_Modem_Other_Change(const QString &text)
{
    if (!text.trimmed().isEmpty() && !typedNumber(text, QLocale()))
        refuseModemOther();
    else
        setModemSpeed(text);
}

void MainOptionsFrame::refuseModemOther()
{
    m_messages.critical(this, NotNumeric, ErrorTitle);
    Txt_Modem_Other->setText(QLocale().toString(OtherSpeed));
    setModemSpeed(Txt_Modem_Other->text());
}

void MainOptionsFrame::setModemSpeed(const QString &text)
{
    m_modemSpeed = text;
    emit modemSpeedChanged(text);
}

bool MainOptionsFrame::check()
{
    if (!checkSpeedLimit())
        return false;
    if (m_limitOnly)
        return true;
    if (!checkModemOther())
        return false;
    QString problem = Proxy->problem();
    if (problem.isEmpty())
        problem = prepareDownloadFolder(Txt_Download_Path->text().trimmed());
    if (problem.isEmpty())
        return true;
    m_messages.critical(this, problem, ErrorTitle);
    return false;
}

bool MainOptionsFrame::checkModemOther()
{
    if (!Opt_Modem_Other->isChecked() || modemSpeedToStore(m_modemSpeed, QLocale()))
        return true;
    refuseModemOther();
    return false;
}

// A limit that is on must be a speed; 0 is as good as none.
bool MainOptionsFrame::checkSpeedLimit()
{
    if (!Chk_Limit_Speed->isChecked() || bytesPerSecond(Txt_Limit_Speed->text(), Kb))
        return true;
    m_messages.critical(this, NotASpeed, ErrorTitle);
    Txt_Limit_Speed->setFocus();
    return false;
}

void MainOptionsFrame::save(Settings &settings) const
{
    settings.setLimitSpeed(Chk_Limit_Speed->isChecked());
    settings.setSpeedLimitText(Txt_Limit_Speed->text().trimmed());
    if (m_limitOnly)
        return;
    settings.setFilePath(Txt_Download_Path->text().trimmed());
    for (const auto &[button, size] : m_packSizes) {
        if (button->isChecked())
            settings.setPackSizeText(QString::number(size));
    }
    settings.setModemSpeedText(modemSpeedToStore(m_modemSpeed, QLocale()).value_or(m_modemSpeed));
    Proxy->save(settings);
}
