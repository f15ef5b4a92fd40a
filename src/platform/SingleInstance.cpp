#include "platform/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>

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

bool SingleInstance::isHeld() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (!m_lock.getLockInfo(&pid, &host, &application))
        return false;
    if (host != QSysInfo::machineHostName())
        return true;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}
