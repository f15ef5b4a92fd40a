#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A throw-away home for one test: the data folder, the settings file and, for tests that start
// an executable, an environment whose every per-user location points inside it. Everything is
// removed when the fixture goes out of scope; nothing touches the real user's home.
class TestHome final
{
public:
    TestHome();

    QString root() const { return m_dir.path() + u'/'; }
    // QUILLFETCH_HOME; it exists.
    QString dataFolder() const { return root() + QStringLiteral("data/"); }
    // An INI file for QSettings(settingsPath(), QSettings::IniFormat); not created.
    QString settingsPath() const { return root() + QStringLiteral("settings.ini"); }
    // XDG_CONFIG_HOME of a started executable, whose settings end up in
    // configFolder() + "Quillfetch/Quillfetch.conf"; it exists.
    QString configFolder() const { return root() + QStringLiteral("config/"); }

    // The current environment with QUILLFETCH_HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and HOME
    // pointing inside the temporary folder.
    QProcessEnvironment environment() const;

private:
    QTemporaryDir m_dir;
};
