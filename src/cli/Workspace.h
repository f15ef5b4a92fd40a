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
    // Loads the project lists without the lock, for a look while another instance may hold it.
    void read() { m_store.load(); }
    // Another instance (the window or a run) holds the lock.
    bool isHeldElsewhere() const { return m_instance.isHeld(); }

    ProjectStore &store() { return m_store; }
    const ProjectStore &store() const { return m_store; }
    Settings &settings() { return m_settings; }

private:
    QString m_dataFolder;
    SingleInstance m_instance;
    QSettings m_settingsStore;
    ProjectStore m_store;
    Settings m_settings;
};
