#pragma once

#include <QObject>
#include <QString>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QRadioButton;
class Settings;

// The proxy rows of the "Main options" page: none, the environment's, or one given here (HTTP or
// SOCKS5, its host and port, an optional user and password), whose fields are enabled only when
// it is chosen.
class ProxyOptions final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProxyOptions)

public:
    explicit ProxyOptions(QObject *parent = nullptr);

    // Adds the controls to the page's grid from `row` on; returns the row after them.
    int addTo(QGridLayout &layout, int row);
    void load(const Settings &settings);
    // Empty when the values may be saved, else why not.
    QString problem() const;
    void save(Settings &settings) const;
    // Every control shown but none changeable.
    void disable();

    QRadioButton *const Opt_Proxy_None;
    QRadioButton *const Opt_Proxy_Environment;
    QRadioButton *const Opt_Proxy_Manual;
    QComboBox *const Cbo_Proxy_Type; // "HTTP", "SOCKS5"
    QLineEdit *const Txt_Proxy_Host;
    QLineEdit *const Txt_Proxy_Port;
    QLineEdit *const Txt_Proxy_User;
    QLineEdit *const Txt_Proxy_Password;

private:
    void enableManualFields(bool enabled);
    QString host() const;
};
