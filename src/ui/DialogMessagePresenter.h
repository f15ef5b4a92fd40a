#pragma once

#include "ui/MessagePresenter.h"

// Shows the messages in modal message boxes. The box runs its own event loop, so sockets and
// timers keep working while it is open.
class DialogMessagePresenter final : public MessagePresenter
{
public:
    void information(QWidget *parent, const QString &text, const QString &title) override;
    void critical(QWidget *parent, const QString &text, const QString &title) override;
    bool question(QWidget *parent, const QString &text, const QString &title) override;
};
