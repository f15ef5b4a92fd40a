#include "ui/DownloadPage.h"

#include "engine/Engine.h"
#include "progress/LiveGraphs.h"
#include "progress/RunCaptions.h"
#include "ui/GraphView.h"
#include "ui/PercentBar.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace {

QLabel *label(const QString &name, QWidget *parent)
{
    auto *created = new QLabel(parent);
    created->setObjectName(name);
    created->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return created;
}

} // namespace

DownloadPage::DownloadPage(QWidget *parent)
    : QWidget(parent), Frm_Download(new QGroupBox(QStringLiteral("Download"), this)),
      Frm_Graph(new QGroupBox(QStringLiteral("Graphs"), this)),
      Lbl_Paquet(label(QStringLiteral("Lbl_Paquet"), Frm_Download)),
      Lbl_Paquet_2(label(QStringLiteral("Lbl_Paquet_2"), Frm_Download)),
      Lbl_Taille(label(QStringLiteral("Lbl_Taille"), Frm_Download)),
      Lbl_Taille2(label(QStringLiteral("Lbl_Taille2"), Frm_Download)),
      Lbl_Vitesse_I(label(QStringLiteral("Lbl_Vitesse_I"), Frm_Graph)),
      Lbl_Vitesse_I2(label(QStringLiteral("Lbl_Vitesse_I2"), Frm_Graph)),
      Lbl_Vitesse_M(label(QStringLiteral("Lbl_Vitesse_M"), Frm_Graph)),
      Lbl_Vitesse_M2(label(QStringLiteral("Lbl_Vitesse_M2"), Frm_Graph)),
      Lbl_Vitesse_MM(label(QStringLiteral("Lbl_Vitesse_MM"), Frm_Download)),
      Lbl_Time(label(QStringLiteral("Lbl_Time"), Frm_Download)),
      Lbl_Time_R(label(QStringLiteral("Lbl_Time_R"), Frm_Download)),
      Lbl_Status_B(label(QStringLiteral("Lbl_Status_B"), Frm_Download)),
      Cmd_Action(new QPushButton(RunCaptions::PauseAction, Frm_Download)),
      Barre(new PercentBar(QStringLiteral("Barre"), Frm_Download)),
      Barre1(new PercentBar(QStringLiteral("Barre1"), Frm_Download)),
      Barre2(new PercentBar(QStringLiteral("Barre2"), Frm_Download)),
      Barre3(new PercentBar(QStringLiteral("Barre3"), Frm_Download)),
      Barre4(new PercentBar(QStringLiteral("Barre4"), Frm_Download)),
      Lbl_Status_w1(label(QStringLiteral("Lbl_Status_w1"), Frm_Download)),
      Lbl_Status_w2(label(QStringLiteral("Lbl_Status_w2"), Frm_Download)),
      Lbl_Status_w3(label(QStringLiteral("Lbl_Status_w3"), Frm_Download)),
      Lbl_Status_w4(label(QStringLiteral("Lbl_Status_w4"), Frm_Download)),
      Graph(new GraphView(QStringLiteral("Graph"), Frm_Graph)),
      Graph2(new GraphView(QStringLiteral("Graph2"), Frm_Graph)),
      Chk_modem(new QCheckBox(QStringLiteral("Show modem capacity"), Frm_Graph))
{
    Frm_Download->setObjectName(QStringLiteral("Frm_Download"));
    Frm_Graph->setObjectName(QStringLiteral("Frm_Graph"));
    Cmd_Action->setObjectName(QStringLiteral("Cmd_Action"));
    Chk_modem->setObjectName(QStringLiteral("Chk_modem"));
    Lbl_Status_B->setText(RunCaptions::Nothing);

    buildDownloadFrame();
    buildGraphFrame();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frm_Download);
    layout->addWidget(Frm_Graph, 1);
    ReInit();
}

PercentBar *DownloadPage::slotBar(int slot) const
{
    const std::array bars{Barre1, Barre2, Barre3, Barre4};
    return bars.at(slot - 1);
}

QLabel *DownloadPage::slotLabel(int slot) const
{
    const std::array labels{Lbl_Status_w1, Lbl_Status_w2, Lbl_Status_w3, Lbl_Status_w4};
    return labels.at(slot - 1);
}

void DownloadPage::addCaptioned(QGridLayout *layout, int row, int column, const QString &caption,
                                QWidget *value, int valueSpan)
{
    auto *captionLabel = new QLabel(caption, value->parentWidget());
    captionLabel->setBuddy(value);
    layout->addWidget(captionLabel, row, column);
    layout->addWidget(value, row, column + 1, 1, valueSpan);
}

void DownloadPage::buildDownloadFrame()
{
    auto *layout = new QGridLayout(Frm_Download);
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(3, 1);
    addCaptioned(layout, 0, 0, QStringLiteral("Packs:"), Lbl_Paquet, 3);
    addCaptioned(layout, 1, 0, QStringLiteral("Packs to go:"), Lbl_Paquet_2, 3);
    addCaptioned(layout, 2, 0, QStringLiteral("File size:"), Lbl_Taille);
    addCaptioned(layout, 2, 2, QStringLiteral("Received:"), Lbl_Taille2);
    addCaptioned(layout, 3, 0, QStringLiteral("Elapsed time:"), Lbl_Time);
    addCaptioned(layout, 3, 2, QStringLiteral("Time left:"), Lbl_Time_R);
    addCaptioned(layout, 4, 0, QStringLiteral("Average speed:"), Lbl_Vitesse_MM);
    addCaptioned(layout, 4, 2, QStringLiteral("Status:"), Lbl_Status_B);
    layout->setRowMinimumHeight(5, fontMetrics().height() / 2);
    addCaptioned(layout, 6, 0, QStringLiteral("Whole file:"), Barre, 2);
    layout->addWidget(Cmd_Action, 6, 3, Qt::AlignLeft);
    for (int slot = 1; slot <= 4; ++slot) {
        addCaptioned(layout, 6 + slot, 0, QStringLiteral("Connection %1:").arg(slot), slotBar(slot),
                     2);
        layout->addWidget(slotLabel(slot), 6 + slot, 3);
    }
}

void DownloadPage::buildGraphFrame()
{
    auto *layout = new QGridLayout(Frm_Graph);
    const auto speedRow = [this](const QString &caption, QLabel *speed, QLabel *bits) {
        auto *row = new QHBoxLayout;
        row->addWidget(new QLabel(caption, Frm_Graph));
        row->addWidget(speed);
        row->addWidget(bits);
        row->addStretch();
        return row;
    };
    layout->addLayout(speedRow(QStringLiteral("Average speed:"), Lbl_Vitesse_M, Lbl_Vitesse_M2), 0,
                      0);
    layout->addLayout(speedRow(QStringLiteral("Immediate speed:"), Lbl_Vitesse_I, Lbl_Vitesse_I2),
                      0, 1);
    layout->addWidget(Graph, 1, 0);
    layout->addWidget(Graph2, 1, 1);
    layout->addWidget(Chk_modem, 2, 0, 1, 2);
}

void DownloadPage::ReInit()
{
    Cmd_Action->setEnabled(false);
    Cmd_Action->setText(RunCaptions::PauseAction);
    for (PercentBar *bar : {Barre, Barre4, Barre3, Barre2, Barre1})
        bar->Affiche_Barre(0);
    Lbl_Time->setText(RunCaptions::NoTime);
    Lbl_Taille->setText(RunCaptions::NoSize);
    Lbl_Taille2->setText(RunCaptions::NoSize);
    Lbl_Time_R->setText(RunCaptions::NoTime);
    Lbl_Paquet->setText(RunCaptions::Nothing);
    Lbl_Paquet_2->setText(RunCaptions::Nothing);
    for (int slot = 1; slot <= 4; ++slot)
        slotLabel(slot)->setText(RunCaptions::Nothing);
    setAverageSpeed(RunCaptions::NoSpeed, RunCaptions::NoBitRate);
    setInstantSpeed(RunCaptions::NoSpeed, RunCaptions::NoBitRate);
}

void DownloadPage::setAverageSpeed(const QString &speed, const QString &bits)
{
    Lbl_Vitesse_M->setText(speed);
    Lbl_Vitesse_M2->setText(bits);
    Lbl_Vitesse_MM->setText(speed);
}

void DownloadPage::setInstantSpeed(const QString &speed, const QString &bits)
{
    Lbl_Vitesse_I->setText(speed);
    Lbl_Vitesse_I2->setText(bits);
}

void DownloadPage::setColours(const QColor &mainBack, const QColor &mainFore,
                              const QColor &slotBack, const QColor &slotFore)
{
    Barre->setColours(mainBack, mainFore);
    for (int slot = 1; slot <= 4; ++slot)
        slotBar(slot)->setColours(slotBack, slotFore);
}

void DownloadPage::connectEngine(Engine &engine)
{
    connect(Cmd_Action, &QPushButton::clicked, &engine, &Engine::togglePause);
}

void DownloadPage::connectCaptions(RunCaptions &captions)
{
    connect(&captions, &RunCaptions::actionChanged, this,
            [this](bool enabled, const QString &caption) {
                Cmd_Action->setEnabled(enabled);
                Cmd_Action->setText(caption);
            });
    connect(&captions, &RunCaptions::overallStatusChanged, Lbl_Status_B, &QLabel::setText);
    connect(&captions, &RunCaptions::slotStatusChanged, this,
            [this](int slot, const QString &caption) { slotLabel(slot)->setText(caption); });
    connect(&captions, &RunCaptions::slotPercentChanged, this,
            [this](int slot, int percent) { slotBar(slot)->Affiche_Barre(percent); });
    connect(&captions, &RunCaptions::totalPercentChanged, Barre, &PercentBar::Affiche_Barre);
    connect(&captions, &RunCaptions::planTextChanged, Lbl_Paquet, &QLabel::setText);
    connect(&captions, &RunCaptions::packsToGoTextChanged, Lbl_Paquet_2, &QLabel::setText);
    connect(&captions, &RunCaptions::totalSizeTextChanged, Lbl_Taille, &QLabel::setText);
    connect(&captions, &RunCaptions::receivedSizeTextChanged, Lbl_Taille2, &QLabel::setText);
    connect(&captions, &RunCaptions::elapsedTextChanged, Lbl_Time, &QLabel::setText);
    connect(&captions, &RunCaptions::remainingTextChanged, Lbl_Time_R, &QLabel::setText);
    connect(&captions, &RunCaptions::averageSpeedChanged, this, &DownloadPage::setAverageSpeed);
    connect(&captions, &RunCaptions::instantSpeedChanged, this, &DownloadPage::setInstantSpeed);
    connect(&captions, &RunCaptions::cleared, this, &DownloadPage::ReInit);
}

void DownloadPage::connectGraphs(LiveGraphs &graphs)
{
    Chk_modem->setChecked(graphs.showModem());
    Graph->setImage(graphs.average());
    Graph2->setImage(graphs.instant());
    connect(Chk_modem, &QCheckBox::clicked, &graphs, &LiveGraphs::setShowModem);
    connect(&graphs, &LiveGraphs::showModemChanged, Chk_modem, &QCheckBox::setChecked);
    connect(&graphs, &LiveGraphs::redrawn, this,
            [this](const QImage &average, const QImage &instant) {
                Graph->setImage(average);
                Graph2->setImage(instant);
            });
}
