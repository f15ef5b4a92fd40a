#pragma once

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

// Lifetime of a server process started by a fixture (on Linux, like the servers themselves): it
// dies with the test process even when the test crashes, and stop() ends it for sure.
namespace ChildProcess {

// Call before start().
inline void dieWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// Terminates, then kills what does not end in time.
inline void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
}

} // namespace ChildProcess
