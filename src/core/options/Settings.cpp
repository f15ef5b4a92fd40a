#include "options/Settings.h"

#include "options/RateText.h"
#include "store/ProjectPaths.h"
#include "store/ProjectRecord.h"

#include <QDir>
#include <QFile>

#include <array>
#include <cmath>
#include <optional>

namespace {

// Every key whose default is a number, with that default. FilePath's default is the download
// folder handed in by the owner; AppPath has none.
struct Option
{
    const char *key;
    qint64 fallback;
};

constexpr Option PackSize{"packsize", Settings::DefaultPackSize};
constexpr Option ModemSpeed{"modemspeed", 56};
constexpr Option ShowModem{"ShowModem", 1};
constexpr Option Tray{"Tray", 1};
constexpr Option OnStartTab{"OnStartTab", 0};
constexpr Option LimitSpeed{"LimitSpeed", 0};
constexpr Option SpeedLimit{"speedlimit", 500};
constexpr qint64 Kb = 1024;
// In the order of Settings::Colour.
constexpr std::array<Option, 7> Colours{{
    {"mainbarreback", 16777215},
    {"mainbarrefor", 255},
    {"secbarreback", 16777215},
    {"secbarrefor", 8421631},
    {"graphback", 16777215},
    {"graphfor", 8421631},
    {"graphmodem", 0},
}};
constexpr const char *FilePathKey = "FilePath";
constexpr const char *AppPathKey = "AppPath";
constexpr const char *TestCaFileKey = "TestCaFile";
constexpr const char *ProxyKey = "Proxy";
constexpr const char *ProxyTypeKey = "ProxyType";
constexpr const char *ProxyHostKey = "ProxyHost";
constexpr const char *ProxyPortKey = "ProxyPort";
constexpr const char *ProxyUserKey = "ProxyUser";
constexpr const char *ProxyPasswordKey = "ProxyPassword";
// In the order of ProxySetting::Mode.
const QStringList ProxyModes = {QStringLiteral("none"), QStringLiteral("environment"),
                                QStringLiteral("manual")};
const QString Socks5Text = QStringLiteral("socks5");
const QString WindowGeometryKey = QStringLiteral("window/geometry");

constexpr qint64 MaxColour = 0xFFFFFF;

const Option &colourOption(Settings::Colour which)
{
    return Colours.at(static_cast<std::size_t>(which));
}

// A switch stored as "1" or "0"; any number other than 0 is on.
bool isOn(const QString &text, qint64 fallback)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return (ok ? value : fallback) != 0;
}

std::optional<QColor> parseColour(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < 0 || value > MaxColour)
        return std::nullopt;
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QString boolText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

Settings::Settings(QSettings &store, const QString &defaultDownloadFolder)
    : m_store(store), m_defaultDownloadFolder(withTrailingSeparator(defaultDownloadFolder))
{}

bool Settings::optionsMissing() const
{
    for (const char *key : {FilePathKey, PackSize.key, ModemSpeed.key}) {
        if (!m_store.contains(fullKey(key)))
            return true;
    }
    return false;
}

QString Settings::filePath() const
{
    // Files are named by appending to this folder: an empty value would put them in the
    // working folder, a missing separator next to the folder instead of inside it.
    const QString folder = text(FilePathKey, m_defaultDownloadFolder);
    if (folder.isEmpty())
        return m_defaultDownloadFolder;
    // A relative folder lies in the data folder, which holds the default one, never in whatever
    // folder the program was started from.
    const QString dataFolder = QDir::cleanPath(m_defaultDownloadFolder + QStringLiteral("/.."));
    return withTrailingSeparator(QDir(dataFolder).filePath(folder));
}

void Settings::setFilePath(const QString &folder)
{
    setText(FilePathKey, withTrailingSeparator(folder));
}

QString Settings::packSizeText() const
{
    return text(PackSize.key, PackSize.fallback);
}

qint64 Settings::packSize() const
{
    bool ok = false;
    const qint64 size = packSizeText().toLongLong(&ok);
    return ok && size >= MinPackSize ? size : DefaultPackSize;
}

void Settings::setPackSizeText(const QString &text)
{
    setText(PackSize.key, text);
}

QString Settings::modemSpeedText() const
{
    return text(ModemSpeed.key, ModemSpeed.fallback);
}

double Settings::modemSpeed() const
{
    // The graphs are scaled by this speed: zero or a negative value would give them no height.
    bool ok = false;
    const double speed = modemSpeedText().toDouble(&ok);
    return ok && std::isfinite(speed) && speed > 0 ? speed : double(ModemSpeed.fallback);
}

void Settings::setModemSpeedText(const QString &text)
{
    setText(ModemSpeed.key, text);
}

QString Settings::showModemText() const
{
    return text(ShowModem.key, ShowModem.fallback);
}

bool Settings::showModem() const
{
    return isOn(showModemText(), ShowModem.fallback);
}

void Settings::setShowModem(bool show)
{
    setText(ShowModem.key, boolText(show));
}

QString Settings::colourText(Colour which) const
{
    const Option &option = colourOption(which);
    return text(option.key, option.fallback);
}

QColor Settings::colour(Colour which) const
{
    return parseColour(colourText(which)).value_or(defaultColour(which));
}

void Settings::setColourText(Colour which, const QString &text)
{
    setText(colourOption(which).key, text);
}

void Settings::setColour(Colour which, const QColor &colour)
{
    setColourText(which, colourToText(colour));
}

QColor Settings::defaultColour(Colour which)
{
    return parseColour(QString::number(colourOption(which).fallback)).value_or(QColor());
}

QString Settings::colourToText(const QColor &colour)
{
    return QString::number(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
}

bool Settings::limitSpeed() const
{
    return isOn(text(LimitSpeed.key, LimitSpeed.fallback), LimitSpeed.fallback);
}

void Settings::setLimitSpeed(bool on)
{
    setText(LimitSpeed.key, boolText(on));
}

QString Settings::speedLimitText() const
{
    return text(SpeedLimit.key, SpeedLimit.fallback);
}

void Settings::setSpeedLimitText(const QString &text)
{
    setText(SpeedLimit.key, text);
}

qint64 Settings::speedLimit() const
{
    return limitSpeed() ? bytesPerSecond(speedLimitText(), Kb).value_or(0) : 0;
}

ProxySetting Settings::proxy() const
{
    ProxySetting proxy;
    const qsizetype mode = ProxyModes.indexOf(text(ProxyKey, ProxyModes.at(1)));
    proxy.mode = ProxySetting::Mode(mode < 0 ? 1 : mode);
    proxy.type = text(ProxyTypeKey, QString()) == Socks5Text ? ProxySetting::Type::Socks5
                                                             : ProxySetting::Type::Http;
    proxy.host = text(ProxyHostKey, QString());
    const uint port = text(ProxyPortKey, QString()).toUInt();
    proxy.port = port <= 65535 ? quint16(port) : 0;
    proxy.user = text(ProxyUserKey, QString());
    proxy.password = text(ProxyPasswordKey, QString());
    return proxy;
}

void Settings::setProxy(const ProxySetting &proxy)
{
    setText(ProxyKey, ProxyModes.at(int(proxy.mode)));
    setText(ProxyTypeKey,
            proxy.type == ProxySetting::Type::Socks5 ? Socks5Text : QStringLiteral("http"));
    setText(ProxyHostKey, proxy.host);
    setText(ProxyPortKey, proxy.port == 0 ? QString() : QString::number(proxy.port));
    setText(ProxyUserKey, proxy.user);
    setText(ProxyPasswordKey, proxy.password);
    if (proxy.password.isEmpty())
        return;
    m_store.sync();
    QFile::setPermissions(m_store.fileName(), QFile::ReadOwner | QFile::WriteOwner);
}

bool Settings::tray() const
{
    return isOn(text(Tray.key, Tray.fallback), Tray.fallback);
}

void Settings::setTray(bool on)
{
    setText(Tray.key, boolText(on));
}

bool Settings::onStartTab() const
{
    return isOn(text(OnStartTab.key, OnStartTab.fallback), OnStartTab.fallback);
}

void Settings::setOnStartTab(bool on)
{
    setText(OnStartTab.key, boolText(on));
}

QString Settings::appPath(const QString &fallback) const
{
    return text(AppPathKey, fallback);
}

void Settings::setAppPath(const QString &programFolder)
{
    setText(AppPathKey, QDir::cleanPath(programFolder));
}

QString Settings::testCaFile() const
{
    return text(TestCaFileKey, QString());
}

void Settings::setTestCaFile(const QString &path)
{
    setText(TestCaFileKey, path);
}

QByteArray Settings::windowGeometry() const
{
    return m_store.value(WindowGeometryKey).toByteArray();
}

void Settings::setWindowGeometry(const QByteArray &geometry)
{
    m_store.setValue(WindowGeometryKey, geometry);
}

void Settings::applyRecord(const ProjectRecord &record)
{
    setText(FilePathKey, record.path);
    setText(PackSize.key, record.packSize);
    setText(ShowModem.key, record.showModem);
    setColourText(Colour::MainBarBack, record.bar1Back);
    setColourText(Colour::MainBarFore, record.bar1For);
    setColourText(Colour::SecBarBack, record.bar2Back);
    setColourText(Colour::SecBarFore, record.bar2For);
    setColourText(Colour::GraphBack, record.graphBack);
    setColourText(Colour::GraphFore, record.graphFor);
    setColourText(Colour::GraphModem, record.graphModem);
}

void Settings::fillRecordColours(ProjectRecord &record) const
{
    record.bar1Back = colourText(Colour::MainBarBack);
    record.bar1For = colourText(Colour::MainBarFore);
    record.bar2Back = colourText(Colour::SecBarBack);
    record.bar2For = colourText(Colour::SecBarFore);
    record.graphBack = colourText(Colour::GraphBack);
    record.graphFor = colourText(Colour::GraphFore);
    record.graphModem = colourText(Colour::GraphModem);
}

void Settings::sync()
{
    m_store.sync();
}

QString Settings::fullKey(const char *key)
{
    return QStringLiteral("options/") + QLatin1String(key);
}

QString Settings::text(const char *key, const QString &fallback) const
{
    return m_store.value(fullKey(key), fallback).toString();
}

QString Settings::text(const char *key, qint64 fallback) const
{
    return text(key, QString::number(fallback));
}

void Settings::setText(const char *key, const QString &value)
{
    m_store.setValue(fullKey(key), value);
}
