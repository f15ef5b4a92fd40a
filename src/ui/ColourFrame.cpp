#include "ui/ColourFrame.h"

#include "ui/ColourDialog.h"
#include "ui/NamedControl.h"

#include <QPushButton>

ColourFrame::ColourFrame(const QString &title, ColourDialog &chooser, QWidget *parent)
    : QGroupBox(title, parent), m_chooser(chooser)
{}

void ColourFrame::loadColours(const Settings &settings)
{
    for (auto it = m_colours.begin(); it != m_colours.end(); ++it)
        it.value() = settings.colour(it.key());
    updatePreview();
}

void ColourFrame::saveColours(Settings &settings) const
{
    for (auto it = m_colours.cbegin(); it != m_colours.cend(); ++it)
        settings.setColour(it.key(), it.value());
}

QPushButton *ColourFrame::colourButton(const char *name, const QString &caption,
                                       Settings::Colour which)
{
    auto *button = named(new QPushButton(caption), name);
    m_colours.insert(which, Settings::defaultColour(which));
    connect(button, &QPushButton::clicked, this, [this, which] {
        m_chooser.choose(m_colours.value(which), [this, which](const QColor &chosen) {
            m_colours[which] = chosen;
            updatePreview();
        });
    });
    return button;
}

void ColourFrame::resetColours()
{
    for (auto it = m_colours.begin(); it != m_colours.end(); ++it)
        it.value() = Settings::defaultColour(it.key());
    updatePreview();
}
