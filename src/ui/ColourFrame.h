#pragma once

#include "options/Settings.h"

#include <QGroupBox>
#include <QMap>

class ColourDialog;
class QPushButton;

// A page of the options dialog that edits some of the colours. Each colour button opens the
// chooser on its colour; the colours being edited stay here until they are saved.
class ColourFrame : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColourFrame)

public:
    void loadColours(const Settings &settings);
    void saveColours(Settings &settings) const;
    QColor colour(Settings::Colour which) const { return m_colours.value(which); }

protected:
    ColourFrame(const QString &title, ColourDialog &chooser, QWidget *parent);

    QPushButton *colourButton(const char *name, const QString &caption, Settings::Colour which);
    void resetColours();
    // Draws the preview again with the values being edited.
    virtual void updatePreview() = 0;

private:
    ColourDialog &m_chooser;
    QMap<Settings::Colour, QColor> m_colours;
};
