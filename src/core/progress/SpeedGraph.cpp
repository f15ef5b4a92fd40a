#include "progress/SpeedGraph.h"

#include <QPainter>

#include <cmath>

namespace {

constexpr double DefaultModemSpeed = 56;

// The sample of a list that falls in a column, the newest in the last column; 0 when the list
// is shorter than the graph.
int sampleAt(const QList<int> &samples, int column)
{
    const qsizetype index = samples.size() - SpeedGraph::Columns + column;
    return index >= 0 ? samples.at(index) : 0;
}

int columnLeft(int column)
{
    return column * SpeedGraph::Size.width() / SpeedGraph::Columns;
}

} // namespace

SpeedGraph::SpeedGraph(const Style &style) : m_style(style)
{
    if (!(m_style.modemSpeed > 0))
        m_style.modemSpeed = DefaultModemSpeed;
    m_scaleHeight = qMax(1, int(std::floor(m_style.modemSpeed / 2 + m_style.modemSpeed)));
}

QImage SpeedGraph::draw(const QList<int> &samples, const QList<int> &drawn) const
{
    QImage image(Size, QImage::Format_RGB32);
    image.fill(m_style.back);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    for (int column = Columns - 1; column >= 0; --column) {
        if (sampleAt(drawn, column) == 0)
            continue;
        drawBar(painter, column, sampleAt(samples, column));
        if (m_style.showModem)
            drawModemLine(painter, column);
    }
    return image;
}

// The pixel row of a value on the scale, 0 at the top; values above the scale clip to row 0.
int SpeedGraph::rowOf(double kbits) const
{
    const double row = (m_scaleHeight - kbits) * Size.height() / m_scaleHeight;
    return qBound(0, int(std::lround(row)), Size.height());
}

void SpeedGraph::drawBar(QPainter &painter, int column, int sample) const
{
    if (sample <= 0)
        return;
    // A non-zero sample shows at least one row, however small it is on the scale.
    const int top = qMin(rowOf(sample), Size.height() - 1);
    const int left = columnLeft(column);
    painter.fillRect(QRect(left, top, columnLeft(column + 1) - left, Size.height() - top),
                     m_style.bars);
}

// The line is a box from the modem speed down by 2 × modem / 600 Kbit/s, which is less than a
// third of a row at this height whatever the modem: one row across the column.
void SpeedGraph::drawModemLine(QPainter &painter, int column) const
{
    const int row = qMin(rowOf(m_style.modemSpeed), Size.height() - 1);
    const int left = columnLeft(column);
    painter.fillRect(QRect(left, row, columnLeft(column + 1) - left, 1), m_style.modemLine);
}
