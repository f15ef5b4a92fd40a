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
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    // The temporary folder itself, ending with "/".
    QString root() const;
    // The folder to use as QUILLFETCH_HOME, ending with "/"; it exists.
    QString dataFolder() const;
    // An INI file for QSettings(settingsPath(), QSettings::IniFormat); not created.
    QString settingsPath() const;
    // XDG_CONFIG_HOME of a started executable; its settings end up in
    // configFolder() + "Quillfetch/Quillfetch.conf". Ends with "/"; it exists.
    QString configFolder() const;

    // The current environment with QUILLFETCH_HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and HOME
    // pointing inside the temporary folder.
    QProcessEnvironment environment() const;

private:
    QTemporaryDir m_dir;
};
