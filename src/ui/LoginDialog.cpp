#include "ui/LoginDialog.h"

#include "ui/NamedControl.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginDialog::LoginDialog(QWidget *parent)
    : QDialog(parent), Lbl_Login(named(new QLabel, "Lbl_Login")),
      Label1(named(new QLabel(QStringLiteral("User:")), "Label1")),
      Txt_User(named(new QLineEdit, "Txt_User")),
      Label2(named(new QLabel(QStringLiteral("Password:")), "Label2")),
      Txt_Password(named(new QLineEdit, "Txt_Password")),
      Chk_Remember(
          named(new QCheckBox(QStringLiteral("Remember for this download")), "Chk_Remember")),
      Cmd_OK(named(new QPushButton(QStringLiteral("OK")), "Cmd_OK")),
      Cmd_Annuler(named(new QPushButton(QStringLiteral("Cancel")), "Cmd_Annuler"))
{
    setObjectName(QStringLiteral("Form7"));
    setWindowModality(Qt::WindowModal);
    Lbl_Login->setWordWrap(true);
    Txt_Password->setEchoMode(QLineEdit::Password);
    buildLayout();
    Cmd_OK->setDefault(true);
    connect(Cmd_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cmd_Annuler, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::accepted, this, [this] {
        emit loginGiven({Txt_User->text(), Txt_Password->text()}, Chk_Remember->isChecked());
    });
    connect(this, &QDialog::rejected, this, &LoginDialog::loginAbandoned);
    connect(this, &QDialog::finished, Txt_Password, &QLineEdit::clear);
}

void LoginDialog::buildLayout()
{
    auto *fields = new QFormLayout;
    fields->addRow(Label1, Txt_User);
    fields->addRow(Label2, Txt_Password);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmd_OK);
    buttons->addWidget(Cmd_Annuler);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Lbl_Login);
    layout->addLayout(fields);
    layout->addWidget(Chk_Remember);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

void LoginDialog::ask(const QString &text, const QString &title, const QString &user)
{
    setWindowTitle(title);
    Lbl_Login->setText(text);
    Txt_User->setText(user);
    Txt_Password->clear();
    Chk_Remember->setChecked(false);
    (user.isEmpty() ? Txt_User : Txt_Password)->setFocus();
    open();
}
