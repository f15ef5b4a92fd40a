#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 90, 170));
    painter.drawRoundedRect(QRectF(0, 0, size, size), 3 * unit, 3 * unit);

    QPainterPath arrow;
    arrow.moveTo(6 * unit, 2.5 * unit);
    arrow.lineTo(10 * unit, 2.5 * unit);
    arrow.lineTo(10 * unit, 7 * unit);
    arrow.lineTo(13 * unit, 7 * unit);
    arrow.lineTo(8 * unit, 11.5 * unit);
    arrow.lineTo(3 * unit, 7 * unit);
    arrow.lineTo(6 * unit, 7 * unit);
    arrow.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(arrow);
    painter.drawRect(QRectF(3 * unit, 12.5 * unit, 10 * unit, 1.5 * unit));
    return pixmap;
}

} // namespace

QIcon quillfetchIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64, 128})
        icon.addPixmap(drawIcon(size));
    return icon;
}
