#include "ui/NoticeWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

NoticeWindow::NoticeWindow(const QString &name, const QString &first, const QString &second,
                           QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(name);
    setWindowTitle(QStringLiteral("Quillfetch"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    for (const QString &line : {first, second}) {
        auto *label = new QLabel(line, this);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    setFixedSize(sizeHint().expandedTo(QSize(fontMetrics().averageCharWidth() * 36, 0)));
}

void NoticeWindow::closeEvent(QCloseEvent *event)
{
    if (m_mayClose)
        event->accept();
    else
        event->ignore();
}
