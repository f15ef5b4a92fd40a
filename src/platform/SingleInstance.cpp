#include "platform/SingleInstance.h"

#include <QDir>
#include <QFileInfo>

SingleInstance::SingleInstance(const QString &dataFolder)
    : m_lock(QDir(dataFolder).filePath(QStringLiteral("quillfetch.lock")))
{
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    if (m_lock.isLocked())
        return true;
    QDir().mkpath(QFileInfo(m_lock.fileName()).absolutePath());
    return m_lock.tryLock(0);
}
