#include "StopSignals.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end of the socket pair. A signal handler can reach nothing but a global.
int s_writeSocket = -1;

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = char(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(s_writeSocket, &byte, 1);
    errno = savedErrno;
}

bool setFlags(int socket)
{
    return ::fcntl(socket, F_SETFL, ::fcntl(socket, F_GETFL) | O_NONBLOCK) == 0 &&
           ::fcntl(socket, F_SETFD, FD_CLOEXEC) == 0;
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    Q_ASSERT(s_writeSocket == -1);
    m_valid = install();
}

StopSignals::~StopSignals()
{
    if (m_valid) {
        ::sigaction(SIGINT, &m_oldInterrupt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerminate, nullptr);
    }
    if (s_writeSocket == m_sockets[0])
        s_writeSocket = -1;
    m_notifier.reset();
    for (const int socket : m_sockets) {
        if (socket >= 0)
            ::close(socket);
    }
}

bool StopSignals::install()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, m_sockets) != 0 || !setFlags(m_sockets[0]) ||
        !setFlags(m_sockets[1]))
        return false;
    s_writeSocket = m_sockets[0];
    m_notifier = std::make_unique<QSocketNotifier>(m_sockets[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::readPending);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGINT, &action, &m_oldInterrupt) != 0)
        return false;
    if (::sigaction(SIGTERM, &action, &m_oldTerminate) != 0) {
        ::sigaction(SIGINT, &m_oldInterrupt, nullptr);
        return false;
    }
    return true;
}

void StopSignals::readPending()
{
    char bytes[16];
    ssize_t count = 0;
    int last = 0;
    while ((count = ::read(m_sockets[1], bytes, sizeof bytes)) > 0)
        last = bytes[count - 1];
    if (last != 0)
        emit received(last);
}
