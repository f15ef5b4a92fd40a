#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The entry "Download with Quillfetch..." of the browsers' link and image menu. It comes from
// the extension shipped with the program, which hands the URL to Catchlink through native
// messaging; a browser lets it do so only while a host manifest naming Catchlink sits in its
// profile. This writes and removes those manifests, one for each browser whose profile folder
// exists. Loading the extension itself stays the user's step, as the browsers require.
//
// The manifests themselves are the state: toggle() removes the existing ones, or writes them
// when there are none, whatever a check box showing it says.
class BrowserMenu final
{
public:
    enum class Family
    {
        Chromium, // Chromium and Google Chrome
        Firefox
    };
    struct Browser
    {
        Family family;
        QString profileFolder; // the browser is there when this folder exists
        QString hostFolder;    // where its per-user host manifests go
    };
    enum class Outcome
    {
        Installed,
        Removed,
        NoBrowser,
        Failed
    };

    // catchlinkPath: the host program the manifests name. browsers: userBrowsers() in the
    // program, temporary profiles in tests.
    BrowserMenu(const QString &catchlinkPath, const QList<Browser> &browsers);

    // Chromium and Google Chrome under $XDG_CONFIG_HOME (~/.config), Firefox in ~/.mozilla.
    static QList<Browser> userBrowsers();
    // The extension folder to load: share/quillfetch/extension beside an installed program's
    // bin folder, else "extension" in the program folder (the build tree).
    static QString extensionFolder(const QString &programFolder);
    // The host manifest for one family, naming this Catchlink.
    static QByteArray manifestText(Family family, const QString &catchlinkPath);
    // Who the manifest lets start Catchlink: Chromium's extension origins
    // ("chrome-extension://<id>/"), Firefox's add-on ids.
    static QStringList allowedCallers(Family family);

    // A manifest exists in some browser's host folder.
    bool isInstalled() const;
    Outcome toggle();

private:
    static QString manifestPath(const Browser &browser);
    bool removeAll() const;
    Outcome installAll() const;

    QString m_catchlinkPath;
    QList<Browser> m_browsers;
};
