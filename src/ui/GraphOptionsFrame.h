#pragma once

#include "options/PreviewSamples.h"
#include "ui/ColourFrame.h"

#include <QTimer>

class QCheckBox;
class QLabel;

// The "Graphs options" page: the colours of the speed graphs and the modem line, seen on a
// preview graph fed with made-up speeds around the modem speed being edited.
class GraphOptionsFrame final : public ColourFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GraphOptionsFrame)

public:
    static constexpr int PreviewTickMs = 500;

    GraphOptionsFrame(ColourDialog &chooser, QWidget *parent = nullptr);

    void load(const Settings &settings);
    void save(Settings &settings) const;
    // The modem speed chosen on the main page, as typed: the preview starts again with it.
    void setModemSpeed(const QString &text);

    QLabel *const Graph;
    QCheckBox *const Chk_Show_Modem;
    QPushButton *const Cmd_Graph_for;
    QPushButton *const Cmd_Graph_back;
    QPushButton *const Cmd_Graph_modem_color;
    QPushButton *const Cmd_Graph_Default;
    // Public like the controls, so that a test may drive the preview.
    QTimer Timer_Graph;

protected:
    void updatePreview() override;

private:
    void buildLayout();
    void Timer_Graph_Tick();
    void Cmd_Graph_Default_Click();

    PreviewSamples m_samples;
    double m_modemSpeed = 0;
};
