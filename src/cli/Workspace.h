#pragma once

#include "options/Settings.h"
#include "platform/SingleInstance.h"
#include "store/ProjectStore.h"

#include <QSettings>
#include <QString>

#include <optional>

// What every command works on: the window's data folder, settings and project store, behind
// the same single-instance lock as the window.
class Workspace final
{
public:
    Workspace();

    // Takes the lock (once: a second command of the same process keeps it), creates the projects
    // folder when missing and loads the project lists; the message to print when it cannot.
    std::optional<QString> open();

    ProjectStore &store() { return m_store; }
    Settings &settings() { return m_settings; }

private:
    QString m_dataFolder;
    SingleInstance m_instance;
    QSettings m_settingsStore;
    ProjectStore m_store;
    Settings m_settings;
};
