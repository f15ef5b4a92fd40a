#include "ui/DialogMessagePresenter.h"

#include <QMessageBox>

void DialogMessagePresenter::information(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox::information(parent, title, text);
}

void DialogMessagePresenter::critical(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox::critical(parent, title, text);
}

bool DialogMessagePresenter::question(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
