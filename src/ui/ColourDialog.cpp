#include "ui/ColourDialog.h"

ColourDialog::ColourDialog(QWidget *parent) : QColorDialog(parent)
{
    setObjectName(QStringLiteral("CMD"));
    connect(this, &QColorDialog::colorSelected, this, [this](const QColor &colour) {
        if (m_apply)
            m_apply(colour);
    });
}

void ColourDialog::choose(const QColor &current, std::function<void(const QColor &)> apply)
{
    m_apply = std::move(apply);
    setCurrentColor(current);
    open();
}
