#include "ui/PercentBar.h"

#include <QPainter>

#include <algorithm>

PercentBar::PercentBar(const QString &name, QWidget *parent) : QFrame(parent)
{
    setObjectName(name);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString PercentBar::text() const
{
    return m_percent == 0 ? QStringLiteral("%") : QString::number(m_percent) + u'%';
}

void PercentBar::Affiche_Barre(int percent)
{
    m_percent = percent;
    update();
}

void PercentBar::setColours(const QColor &back, const QColor &fore)
{
    m_back = back;
    m_fore = fore;
    update();
}

QSize PercentBar::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("100%")) * 4,
            minimumSizeHint().height()};
}

QSize PercentBar::minimumSizeHint() const
{
    const int frame = 2 * frameWidth();
    return {fontMetrics().horizontalAdvance(QStringLiteral("100%")) + frame + 4,
            fontMetrics().height() + frame + 4};
}

void PercentBar::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    const QRect area = contentsRect();
    const int filledWidth = area.width() * std::clamp(m_percent, 0, 100) / 100;
    const QRect filled(area.topLeft(), QSize(filledWidth, area.height()));

    QPainter painter(this);
    painter.fillRect(area, m_back);
    painter.fillRect(filled, m_fore);

    // The text is drawn twice: in the fore colour outside the bar, in the back colour over it.
    const QRegion outside = QRegion(area).subtracted(filled);
    painter.setClipRegion(outside);
    painter.setPen(m_fore);
    painter.drawText(area, Qt::AlignCenter, text());
    painter.setClipRect(filled);
    painter.setPen(m_back);
    painter.drawText(area, Qt::AlignCenter, text());
}
