#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QSize>

// Draws a speed graph as a picture of a fixed size: one bar per sample (Kbit/s), the newest
// at the right, on a scale one and a half times the modem speed high, with an optional line at
// the modem speed. Bars and line are masked against the picture (pen AND picture), so a line
// over a bar shows both colours combined. Windows scale the picture; snapshots save it as is.
class SpeedGraph final
{
public:
    static constexpr int Columns = 50;
    static constexpr QSize Size{250, 126};

    struct Style
    {
        QColor back{255, 255, 255};
        QColor bars{255, 128, 128};
        QColor modemLine{0, 0, 0};
        double modemSpeed = 56; // Kbit/s; not a positive number reads as 56
        bool showModem = true;
    };

    explicit SpeedGraph(const Style &style);

    // The last Columns samples as bars. A column is drawn, modem line included, only where
    // `drawn` holds a non-zero sample: the average graph follows the ticks of the instant one.
    QImage draw(const QList<int> &samples, const QList<int> &drawn) const;
    // A graph whose own non-zero samples are the columns drawn.
    QImage draw(const QList<int> &samples) const { return draw(samples, samples); }

private:
    int rowOf(double kbits) const;
    void drawBar(QPainter &painter, int column, int sample) const;
    void drawModemLine(QPainter &painter, int column) const;

    Style m_style;
    int m_scaleHeight; // whole part of 1.5 × the modem speed, in Kbit/s
};
