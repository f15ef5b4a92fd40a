#include "ChildProcess.h"

#include <QProcess>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace ChildProcess {

constexpr int TerminateTimeoutMs = 5000;

void dieWithParent(QProcess &process)
{
#ifdef Q_OS_LINUX
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#else
    Q_UNUSED(process);
#endif
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(TerminateTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
}

} // namespace ChildProcess
