#pragma once

#include <QLockFile>
#include <QString>

// Keeps a second Quillfetch (window or command-line runner) from working on the same data
// folder: a QLockFile in that folder, held for the life of the program.
class SingleInstance final
{
public:
    explicit SingleInstance(const QString &dataFolder);

    // True when this process now holds the lock (or held it already); false when another live
    // process holds it or the lock file cannot be written (a read-only or full data folder). A
    // lock left by a crashed process is taken over.
    bool acquire();
    // After a failed acquire(): another live process holds the lock.
    bool heldElsewhere() const { return m_lock.error() == QLockFile::LockFailedError; }
    // Without taking the lock: a live process holds it, as its lock file says (one of another
    // machine counts as live).
    bool isHeld() const;
    QString path() const { return m_lock.fileName(); }

private:
    QLockFile m_lock;
};
