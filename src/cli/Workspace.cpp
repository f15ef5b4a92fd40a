#include "Workspace.h"

#include "platform/DataFolder.h"

#include <QCoreApplication>

Workspace::Workspace()
    : m_dataFolder(resolveDataFolder(QCoreApplication::applicationDirPath())),
      m_instance(m_dataFolder),
      m_settingsStore(QStringLiteral("Quillfetch"), QStringLiteral("Quillfetch")),
      m_store(m_dataFolder), m_settings(m_settingsStore, m_store.paths().defaultDownloadFolder())
{}

std::optional<QString> Workspace::open()
{
    if (!m_instance.acquire()) {
        if (m_instance.heldElsewhere())
            return QStringLiteral("Quillfetch is already running: close it first.");
        return QStringLiteral("Unable to write the file ") + m_instance.path() +
               QStringLiteral(" !");
    }
    if (!m_store.ensureProjectsFolder())
        return QStringLiteral("Unable to create the folder ") + m_store.paths().projectsFolder() +
               QStringLiteral(" !");
    m_store.load();
    return std::nullopt;
}
