#include "platform/BrowserMenu.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString ManifestName = QStringLiteral("com.quillfetch.catchlink.json");

QString configHome()
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    return config.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : config;
}

// The shipped template, with its "path" set to this Catchlink (JSON-escaped by the writer).
QJsonObject manifestObject(BrowserMenu::Family family, const QString &catchlinkPath)
{
    QFile file(family == BrowserMenu::Family::Firefox
                   ? QStringLiteral(":/browser/hosts/firefox.json")
                   : QStringLiteral(":/browser/hosts/chromium.json"));
    file.open(QIODevice::ReadOnly);
    QJsonObject manifest = QJsonDocument::fromJson(file.readAll()).object();
    manifest.insert(QStringLiteral("path"), catchlinkPath);
    return manifest;
}

} // namespace

BrowserMenu::BrowserMenu(const QString &catchlinkPath, const QList<Browser> &browsers)
    : m_catchlinkPath(catchlinkPath), m_browsers(browsers)
{}

QList<BrowserMenu::Browser> BrowserMenu::userBrowsers()
{
    const QDir config(configHome());
    const QDir home = QDir::home();
    return {
        {Family::Chromium, config.filePath(QStringLiteral("chromium")),
         config.filePath(QStringLiteral("chromium/NativeMessagingHosts"))},
        {Family::Chromium, config.filePath(QStringLiteral("google-chrome")),
         config.filePath(QStringLiteral("google-chrome/NativeMessagingHosts"))},
        {Family::Firefox, home.filePath(QStringLiteral(".mozilla")),
         home.filePath(QStringLiteral(".mozilla/native-messaging-hosts"))},
    };
}

QString BrowserMenu::extensionFolder(const QString &programFolder)
{
    const QDir program(programFolder);
    const QString installed =
        QDir::cleanPath(program.filePath(QStringLiteral("../share/quillfetch/extension")));
    if (QFileInfo(installed).isDir())
        return installed;
    return QDir::cleanPath(program.filePath(QStringLiteral("extension")));
}

QByteArray BrowserMenu::manifestText(Family family, const QString &catchlinkPath)
{
    return QJsonDocument(manifestObject(family, catchlinkPath)).toJson();
}

QStringList BrowserMenu::allowedCallers(Family family)
{
    const QString key = family == Family::Firefox ? QStringLiteral("allowed_extensions")
                                                  : QStringLiteral("allowed_origins");
    return manifestObject(family, QString()).value(key).toVariant().toStringList();
}

QString BrowserMenu::manifestPath(const Browser &browser)
{
    return QDir(browser.hostFolder).filePath(ManifestName);
}

bool BrowserMenu::isInstalled() const
{
    return std::any_of(m_browsers.cbegin(), m_browsers.cend(),
                       [](const Browser &browser) { return QFile::exists(manifestPath(browser)); });
}

BrowserMenu::Outcome BrowserMenu::toggle()
{
    if (!isInstalled())
        return installAll();
    return removeAll() ? Outcome::Removed : Outcome::Failed;
}

bool BrowserMenu::removeAll() const
{
    bool removed = true;
    for (const Browser &browser : m_browsers) {
        const QString path = manifestPath(browser);
        if (QFile::exists(path) && !QFile::remove(path))
            removed = false;
    }
    return removed;
}

BrowserMenu::Outcome BrowserMenu::installAll() const
{
    bool found = false;
    for (const Browser &browser : m_browsers) {
        if (!QFileInfo(browser.profileFolder).isDir())
            continue;
        found = true;
        QSaveFile file(manifestPath(browser));
        if (!QDir().mkpath(browser.hostFolder) || !file.open(QIODevice::WriteOnly) ||
            file.write(manifestText(browser.family, m_catchlinkPath)) < 0 || !file.commit()) {
            // Half an installation would leave the box's state unclear: undo what was written.
            removeAll();
            return Outcome::Failed;
        }
    }
    return found ? Outcome::Installed : Outcome::NoBrowser;
}
