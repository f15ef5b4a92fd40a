#pragma once

#include <QString>

class QWidget;

// Every message box of the program goes through this interface, so that a test can record
// what the user would be told and script the answers instead of opening a box.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;

    virtual void information(QWidget *parent, const QString &text, const QString &title) = 0;
    virtual void critical(QWidget *parent, const QString &text, const QString &title) = 0;
    // A Yes/No question with the information icon; true when the answer is Yes.
    virtual bool question(QWidget *parent, const QString &text, const QString &title) = 0;
};
