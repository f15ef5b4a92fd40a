#include "ui/ProxyOptions.h"

#include "options/Settings.h"
#include "ui/NamedControl.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>

namespace {

QLineEdit *field(const char *name, const QString &placeholder)
{
    auto *edit = named(new QLineEdit, name);
    edit->setPlaceholderText(placeholder);
    return edit;
}

} // namespace

ProxyOptions::ProxyOptions(QObject *parent)
    : QObject(parent),
      Opt_Proxy_None(named(new QRadioButton(QStringLiteral("None")), "Opt_Proxy_None")),
      Opt_Proxy_Environment(
          named(new QRadioButton(QStringLiteral("From the environment")), "Opt_Proxy_Environment")),
      Opt_Proxy_Manual(named(new QRadioButton(QStringLiteral("This one:")), "Opt_Proxy_Manual")),
      Cbo_Proxy_Type(named(new QComboBox, "Cbo_Proxy_Type")),
      Txt_Proxy_Host(field("Txt_Proxy_Host", QStringLiteral("Host"))),
      Txt_Proxy_Port(field("Txt_Proxy_Port", QStringLiteral("Port"))),
      Txt_Proxy_User(field("Txt_Proxy_User", QStringLiteral("User (optional)"))),
      Txt_Proxy_Password(field("Txt_Proxy_Password", QStringLiteral("Password")))
{
    auto *modes = new QButtonGroup(this);
    for (QRadioButton *button : {Opt_Proxy_None, Opt_Proxy_Environment, Opt_Proxy_Manual})
        modes->addButton(button);
    Cbo_Proxy_Type->addItems({QStringLiteral("HTTP"), QStringLiteral("SOCKS5")});
    Txt_Proxy_Port->setValidator(new QIntValidator(1, 65535, Txt_Proxy_Port));
    Txt_Proxy_Password->setEchoMode(QLineEdit::Password);
    connect(Opt_Proxy_Manual, &QRadioButton::toggled, this, &ProxyOptions::enableManualFields);
    enableManualFields(false);
}

int ProxyOptions::addTo(QGridLayout &layout, int row)
{
    layout.addWidget(new QLabel(QStringLiteral("Proxy:")), row, 0);
    layout.addWidget(Opt_Proxy_None, row, 1);
    layout.addWidget(Opt_Proxy_Environment, row, 2, 1, 2);
    layout.addWidget(Opt_Proxy_Manual, row, 4);
    layout.addWidget(Cbo_Proxy_Type, row + 1, 1);
    layout.addWidget(Txt_Proxy_Host, row + 1, 2, 1, 2);
    layout.addWidget(Txt_Proxy_Port, row + 1, 4);
    layout.addWidget(Txt_Proxy_User, row + 2, 1, 1, 2);
    layout.addWidget(Txt_Proxy_Password, row + 2, 3, 1, 2);
    return row + 3;
}

void ProxyOptions::load(const Settings &settings)
{
    const ProxySetting proxy = settings.proxy();
    Opt_Proxy_None->setChecked(proxy.mode == ProxySetting::Mode::None);
    Opt_Proxy_Environment->setChecked(proxy.mode == ProxySetting::Mode::Environment);
    Opt_Proxy_Manual->setChecked(proxy.mode == ProxySetting::Mode::Manual);
    Cbo_Proxy_Type->setCurrentIndex(proxy.type == ProxySetting::Type::Socks5 ? 1 : 0);
    Txt_Proxy_Host->setText(proxy.host);
    Txt_Proxy_Port->setText(proxy.port == 0 ? QString() : QString::number(proxy.port));
    Txt_Proxy_User->setText(proxy.user);
    Txt_Proxy_Password->setText(proxy.password);
}

QString ProxyOptions::problem() const
{
    const bool blank = host().isEmpty() || host().contains(QRegularExpression("[\\s/@]"));
    if (Opt_Proxy_Manual->isChecked() && (blank || !Txt_Proxy_Port->hasAcceptableInput()))
        return QStringLiteral("Please enter the host and the port of the proxy !");
    return {};
}

void ProxyOptions::save(Settings &settings) const
{
    ProxySetting proxy;
    proxy.mode = Opt_Proxy_None->isChecked()     ? ProxySetting::Mode::None
                 : Opt_Proxy_Manual->isChecked() ? ProxySetting::Mode::Manual
                                                 : ProxySetting::Mode::Environment;
    proxy.type =
        Cbo_Proxy_Type->currentIndex() == 1 ? ProxySetting::Type::Socks5 : ProxySetting::Type::Http;
    proxy.host = host();
    proxy.port = quint16(Txt_Proxy_Port->text().toUInt());
    proxy.user = Txt_Proxy_User->text();
    proxy.password = Txt_Proxy_Password->text();
    settings.setProxy(proxy);
}

void ProxyOptions::disable()
{
    for (QRadioButton *button : {Opt_Proxy_None, Opt_Proxy_Environment, Opt_Proxy_Manual})
        button->setEnabled(false);
    enableManualFields(false);
}

void ProxyOptions::enableManualFields(bool enabled)
{
    for (QWidget *control : std::initializer_list<QWidget *>{
             Cbo_Proxy_Type, Txt_Proxy_Host, Txt_Proxy_Port, Txt_Proxy_User, Txt_Proxy_Password})
        control->setEnabled(enabled);
}

// An IPv6 address may be typed in brackets, as in a URL.
QString ProxyOptions::host() const
{
    QString host = Txt_Proxy_Host->text().trimmed();
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    return host;
}
