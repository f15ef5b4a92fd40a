#include "ui/GraphOptionsFrame.h"

#include "options/ModemSpeed.h"
#include "progress/SpeedGraph.h"
#include "ui/NamedControl.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

using Colour = Settings::Colour;

GraphOptionsFrame::GraphOptionsFrame(ColourDialog &chooser, QWidget *parent)
    : ColourFrame(QStringLiteral("Graphs options"), chooser, parent),
      Graph(named(new QLabel, "Graph")),
      Chk_Show_Modem(
          named(new QCheckBox(QStringLiteral("Show modem 10K (recommended)")), "Chk_Show_Modem")),
      Cmd_Graph_for(
          colourButton("Cmd_Graph_for", QStringLiteral("Graph for color..."), Colour::GraphFore)),
      Cmd_Graph_back(
          colourButton("Cmd_Graph_back", QStringLiteral("Graph back color..."), Colour::GraphBack)),
      Cmd_Graph_modem_color(colourButton(
          "Cmd_Graph_modem_color", QStringLiteral("Graph modem color..."), Colour::GraphModem)),
      Cmd_Graph_Default(named(new QPushButton(QStringLiteral("Default")), "Cmd_Graph_Default"))
{
    setObjectName(QStringLiteral("Frm_Graph"));
    Graph->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    const int frame = 2 * Graph->frameWidth();
    Graph->setFixedSize(SpeedGraph::Size + QSize(frame, frame));
    Graph->setScaledContents(true);
    Chk_Show_Modem->setChecked(true);
    buildLayout();
    connect(Chk_Show_Modem, &QCheckBox::toggled, this, &GraphOptionsFrame::updatePreview);
    connect(Cmd_Graph_Default, &QPushButton::clicked, this,
            &GraphOptionsFrame::Cmd_Graph_Default_Click);
    Timer_Graph.setObjectName(QStringLiteral("Timer_Graph"));
    Timer_Graph.setInterval(PreviewTickMs);
    connect(&Timer_Graph, &QTimer::timeout, this, &GraphOptionsFrame::Timer_Graph_Tick);
    Timer_Graph.start();
}

void GraphOptionsFrame::buildLayout()
{
    auto *layout = new QGridLayout(this);
    layout->addWidget(Graph, 0, 0, 1, 2, Qt::AlignCenter);
    layout->addWidget(Chk_Show_Modem, 1, 0, 1, 2);
    layout->addWidget(Cmd_Graph_for, 2, 0);
    layout->addWidget(Cmd_Graph_back, 2, 1);
    layout->addWidget(Cmd_Graph_modem_color, 3, 0);
    layout->addWidget(Cmd_Graph_Default, 3, 1);
    layout->setRowStretch(4, 1);
}

void GraphOptionsFrame::load(const Settings &settings)
{
    Chk_Show_Modem->setChecked(settings.showModem());
    loadColours(settings);
}

void GraphOptionsFrame::save(Settings &settings) const
{
    settings.setShowModem(Chk_Show_Modem->isChecked());
    saveColours(settings);
}

void GraphOptionsFrame::setModemSpeed(const QString &text)
{
    Chk_Show_Modem->setText(QStringLiteral("Show modem ") + text +
                            QStringLiteral("K (recommended)"));
    m_modemSpeed = typedNumber(text, QLocale()).value_or(0);
    m_samples.restart();
    updatePreview();
}

// The preview is drawn with the values being edited, never with the stored ones.
void GraphOptionsFrame::updatePreview()
{
    SpeedGraph::Style style;
    style.back = colour(Colour::GraphBack);
    style.bars = colour(Colour::GraphFore);
    style.modemLine = colour(Colour::GraphModem);
    style.modemSpeed = m_modemSpeed;
    style.showModem = Chk_Show_Modem->isChecked();
    Graph->setPixmap(QPixmap::fromImage(SpeedGraph(style).draw(m_samples.samples())));
}

void GraphOptionsFrame::Timer_Graph_Tick()
{
    m_samples.addSample(qMax(m_modemSpeed, 0.0));
    updatePreview();
}

void GraphOptionsFrame::Cmd_Graph_Default_Click()
{
    Chk_Show_Modem->setChecked(true);
    resetColours();
}
