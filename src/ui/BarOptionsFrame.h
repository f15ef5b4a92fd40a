#pragma once

#include "ui/ColourFrame.h"

#include <QTimer>

class PercentBar;

// The "Progress bar options" page: the colours of the main bar and of the four slot bars, seen
// on two preview bars that count from 0 to 100 over and over.
class BarOptionsFrame final : public ColourFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BarOptionsFrame)

public:
    static constexpr int PreviewTickMs = 100;

    BarOptionsFrame(ColourDialog &chooser, QWidget *parent = nullptr);

    PercentBar *const Barre1;
    PercentBar *const Barre2;
    QPushButton *const Cmd_Main_Bar_1;
    QPushButton *const Cmd_Main_Bar_2;
    QPushButton *const Cmd_Sec_Bar_1;
    QPushButton *const Cmd_Sec_Bar_2;
    QPushButton *const Cmd_Barre_Default;
    // Public like the controls, so that a test may drive the preview.
    QTimer Timer_Barre;

protected:
    void updatePreview() override;

private:
    void buildLayout();
    void Timer_Barre_Tick();

    int m_percent = 0;
};
