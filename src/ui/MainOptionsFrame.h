#pragma once

#include <QGroupBox>

#include <utility>
#include <vector>

class MessagePresenter;
class ProxyOptions;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Settings;

// The "Main options" page: the download folder, the pack size, the modem speed, chosen from
// fixed values or typed into "Other", the speed limit and the proxy. While a download runs only
// the speed limit can be changed: the rest belongs to the running project, or to its connections.
class MainOptionsFrame final : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainOptionsFrame)

public:
    explicit MainOptionsFrame(MessagePresenter &messages, QWidget *parent = nullptr);

    void load(const Settings &settings);
    // Whether the values may be saved; a refusal has told the user why.
    bool check();
    void save(Settings &settings) const;
    // The chosen modem speed ("Txt_Modem_Speed"), as typed.
    QString modemSpeedText() const { return m_modemSpeed; }
    // Every control but the speed limit's is disabled, and save() writes the limit alone.
    void limitOnly();

    QLineEdit *const Txt_Download_Path;
    QPushButton *const Command1;
    QRadioButton *const Opt_Pack_1mb;
    QRadioButton *const Opt_Pack_2mb;
    QRadioButton *const Opt_Pack_5mb;
    QRadioButton *const Opt_Modem_56k;
    QRadioButton *const Opt_Modem_64k;
    QRadioButton *const Opt_Modem_128k;
    QRadioButton *const Opt_Modem_256k;
    QRadioButton *const Opt_Modem_512k;
    QRadioButton *const Opt_Modem_1024k;
    QRadioButton *const Opt_Modem_Other;
    QLineEdit *const Txt_Modem_Other;
    QCheckBox *const Chk_Limit_Speed;
    QLineEdit *const Txt_Limit_Speed;
    ProxyOptions *const Proxy;

signals:
    void modemSpeedChanged(const QString &text);
    // "Edit...": the folder is to be chosen in the destination dialog.
    void destinationRequested();

private:
    void buildLayout();
    void connectModemChoice();
    void loadModemSpeed(const QString &stored);
    void Txt_Modem_Other_Change(const QString &text);
    bool checkModemOther();
    bool checkSpeedLimit();
    void refuseModemOther();
    void setModemSpeed(const QString &text);

    MessagePresenter &m_messages;
    // Each pack option with its size in bytes, each fixed modem option with its Kbit/s.
    const std::vector<std::pair<QRadioButton *, qint64>> m_packSizes;
    const std::vector<std::pair<QRadioButton *, int>> m_modemSpeeds;
    QString m_modemSpeed;
    bool m_limitOnly = false;
};
