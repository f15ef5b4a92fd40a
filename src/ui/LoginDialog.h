#pragma once

#include "store/ProjectAccess.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The login box ("Form7"): a server asks for a user name and a password. "OK" gives them, kept
// with the project when "Remember for this download" is ticked; "Cancel" and the close box give
// up. The password never stays in the box once it is closed.
class LoginDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoginDialog)

public:
    explicit LoginDialog(QWidget *parent = nullptr);

    // Shows the text, the user name last sent and an empty password, and waits for the answer.
    void ask(const QString &text, const QString &title, const QString &user);

    QLabel *const Lbl_Login;
    QLabel *const Label1;
    QLineEdit *const Txt_User;
    QLabel *const Label2;
    QLineEdit *const Txt_Password;
    QCheckBox *const Chk_Remember;
    QPushButton *const Cmd_OK;
    QPushButton *const Cmd_Annuler;

signals:
    void loginGiven(const Login &login, bool remember);
    void loginAbandoned();

private:
    void buildLayout();
};
