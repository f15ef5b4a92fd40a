#pragma once

#include <QLockFile>
#include <QString>

// Keeps a second Quillfetch (window or command-line runner) from working on the same data
// folder: a QLockFile in that folder, held for the life of the program.
class SingleInstance final
{
public:
    explicit SingleInstance(const QString &dataFolder);

    // True when this process now holds the lock; false when another live process holds it.
    // A lock left by a crashed process is taken over.
    bool acquire();

private:
    QLockFile m_lock;
};
