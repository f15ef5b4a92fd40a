#include "ChildProcess.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

namespace ChildProcess {

// Our fixtures start real servers on Linux only (Debian's nginx, python3).
void dieWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
}

} // namespace ChildProcess
