#pragma once

#include "wire/ProxyChoice.h"

#include <QColor>
#include <QSettings>
#include <QString>

struct ProjectRecord;

// The persistent options: QSettings, group "options", every value stored as text.
// The owner hands in the QSettings (organisation and application "Quillfetch" in the
// programs, a temporary file in tests) and the default download folder.
class Settings final
{
public:
    static constexpr qint64 DefaultPackSize = 512000;
    // Smaller packs would make a file of countless tiny pieces.
    static constexpr qint64 MinPackSize = 64000;

    enum class Colour
    {
        MainBarBack,
        MainBarFore,
        SecBarBack,
        SecBarFore,
        GraphBack,
        GraphFore,
        GraphModem
    };

    Settings(QSettings &store, const QString &defaultDownloadFolder);

    // FilePath, packsize or modemspeed is absent: the options were never configured.
    bool optionsMissing() const;

    // The download folder, always ending with a separator; empty reads as the default.
    QString filePath() const;
    void setFilePath(const QString &folder);

    QString packSizeText() const;
    // The pack size in bytes; below MinPackSize or not a number reads as DefaultPackSize.
    qint64 packSize() const;
    void setPackSizeText(const QString &text);

    QString modemSpeedText() const; // Kbit/s, may hold a decimal
    double modemSpeed() const;      // not a positive number reads as 56
    void setModemSpeedText(const QString &text);

    QString showModemText() const;
    bool showModem() const;
    void setShowModem(bool show);

    // Colours are decimal RGB values with red in the low byte.
    QString colourText(Colour which) const;
    QColor colour(Colour which) const;
    void setColourText(Colour which, const QString &text);
    void setColour(Colour which, const QColor &colour);
    static QColor defaultColour(Colour which);
    static QString colourToText(const QColor &colour);

    // The speed limit: whether it is on, and the limit as typed, in Kb/s (1024 bytes per second)
    // unless it names its unit ("500", "500k", "2M").
    bool limitSpeed() const;
    void setLimitSpeed(bool on);
    QString speedLimitText() const;
    void setSpeedLimitText(const QString &text);
    // Bytes per second; 0 when the limit is off or its text is no speed.
    qint64 speedLimit() const;
    // The proxy setting: keys Proxy ("none", "environment", the default, or "manual"), ProxyType
    // ("http" or "socks5"), ProxyHost, ProxyPort, ProxyUser and ProxyPassword. With a password
    // the settings file is made readable by its owner alone.
    ProxySetting proxy() const;
    void setProxy(const ProxySetting &proxy);

    bool tray() const;
    void setTray(bool on);
    bool onStartTab() const;
    void setOnStartTab(bool on);
    // The program folder without a trailing separator, for starting the main program.
    QString appPath(const QString &fallback) const;
    void setAppPath(const QString &programFolder);
    // A test setting, never shown: a PEM file of certificate authorities that HTTPS trusts
    // instead of the system's store (as curl's --cacert does), so that a test or a bench can
    // serve HTTPS with its own authority. Empty when unset. Nothing turns certificate
    // verification off.
    QString testCaFile() const;
    void setTestCaFile(const QString &path);
    // The main window's size and position (QWidget::saveGeometry), kept apart from the
    // options in the group "window"; empty until the window first closes.
    QByteArray windowGeometry() const;
    void setWindowGeometry(const QByteArray &geometry);

    // Copies the ten option values of a project record into the settings, as text, so that
    // while a project downloads the settings are that project's.
    void applyRecord(const ProjectRecord &record);
    // Fills the option lines of a new record from the current colour settings.
    void fillRecordColours(ProjectRecord &record) const;

    void sync();

private:
    static QString fullKey(const char *key);
    QString text(const char *key, const QString &fallback) const;
    QString text(const char *key, qint64 fallback) const;
    void setText(const char *key, const QString &value);

    QSettings &m_store;
    QString m_defaultDownloadFolder;
};
