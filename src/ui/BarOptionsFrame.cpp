#include "ui/BarOptionsFrame.h"

#include "ui/NamedControl.h"
#include "ui/PercentBar.h"

#include <QGridLayout>
#include <QPushButton>

using Colour = Settings::Colour;

BarOptionsFrame::BarOptionsFrame(ColourDialog &chooser, QWidget *parent)
    : ColourFrame(QStringLiteral("Progress bar options"), chooser, parent),
      Barre1(new PercentBar(QStringLiteral("Barre1"))),
      Barre2(new PercentBar(QStringLiteral("Barre2"))),
      Cmd_Main_Bar_1(colourButton("Cmd_Main_Bar_1", QStringLiteral("Main bar back color..."),
                                  Colour::MainBarBack)),
      Cmd_Main_Bar_2(colourButton("Cmd_Main_Bar_2", QStringLiteral("Main bar for color..."),
                                  Colour::MainBarFore)),
      Cmd_Sec_Bar_1(colourButton("Cmd_Sec_Bar_1", QStringLiteral("Second bar back color..."),
                                 Colour::SecBarBack)),
      Cmd_Sec_Bar_2(colourButton("Cmd_Sec_Bar_2", QStringLiteral("Second bar for color..."),
                                 Colour::SecBarFore)),
      Cmd_Barre_Default(named(new QPushButton(QStringLiteral("Default")), "Cmd_Barre_Default"))
{
    setObjectName(QStringLiteral("Frm_Barre"));
    buildLayout();
    updatePreview();
    connect(Cmd_Barre_Default, &QPushButton::clicked, this, &BarOptionsFrame::resetColours);
    Timer_Barre.setObjectName(QStringLiteral("Timer_Barre"));
    Timer_Barre.setInterval(PreviewTickMs);
    connect(&Timer_Barre, &QTimer::timeout, this, &BarOptionsFrame::Timer_Barre_Tick);
    Timer_Barre.start();
}

void BarOptionsFrame::buildLayout()
{
    auto *layout = new QGridLayout(this);
    layout->addWidget(Barre1, 0, 0, 1, 2);
    layout->addWidget(Cmd_Main_Bar_1, 1, 0);
    layout->addWidget(Cmd_Main_Bar_2, 1, 1);
    layout->addWidget(Barre2, 2, 0, 1, 2);
    layout->addWidget(Cmd_Sec_Bar_1, 3, 0);
    layout->addWidget(Cmd_Sec_Bar_2, 3, 1);
    layout->addWidget(Cmd_Barre_Default, 4, 1);
    layout->setRowStretch(5, 1);
}

void BarOptionsFrame::updatePreview()
{
    Barre1->setColours(colour(Colour::MainBarBack), colour(Colour::MainBarFore));
    Barre2->setColours(colour(Colour::SecBarBack), colour(Colour::SecBarFore));
}

void BarOptionsFrame::Timer_Barre_Tick()
{
    m_percent = m_percent >= 100 ? 0 : m_percent + 1;
    Barre1->Affiche_Barre(m_percent);
    Barre2->Affiche_Barre(m_percent);
}
