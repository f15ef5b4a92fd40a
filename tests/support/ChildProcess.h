#pragma once

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>
#include <sys/prctl.h>

// Lifetime of a server process started by a fixture (on Linux, like the servers themselves): it
// dies with the test process even when the test crashes, and stop() ends it for sure. Also the
// free port it is started on, and the wait until it listens there.
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

// A port free on 127.0.0.1 now: another program may take it before the server binds it, so
// callers try again with another one when the server does not come up.
inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// For a server that announces nothing once it listens: true as soon as a connection to it
// succeeds, false when the process ends first or takes 10 s.
inline bool waitUntilListening(QProcess &process, const QHostAddress &address, quint16 port)
{
    const QDeadlineTimer deadline(10000);
    while (process.waitForStarted() && !process.waitForFinished(10) && !deadline.hasExpired()) {
        QTcpSocket socket;
        socket.connectToHost(address, port);
        if (socket.waitForConnected(1000))
            return true;
    }
    return false;
}

} // namespace ChildProcess
