#include "ui/GraphView.h"

#include "progress/SpeedGraph.h"

#include <QPainter>

GraphView::GraphView(const QString &name, QWidget *parent) : QFrame(parent)
{
    setObjectName(name);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void GraphView::setImage(const QImage &image)
{
    m_image = image;
    update();
}

QSize GraphView::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return SpeedGraph::Size + QSize(frame, frame);
}

QSize GraphView::minimumSizeHint() const
{
    return sizeHint() / 2;
}

void GraphView::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(contentsRect(), m_image);
}
