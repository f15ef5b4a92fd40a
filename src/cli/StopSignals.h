#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <memory>

// Turns SIGINT and SIGTERM into a Qt signal delivered by the event loop. The handler only
// writes the signal number into a socket pair (all a signal handler may safely do); a socket
// notifier on the other end emits received(). One instance at a time; the previous handlers
// come back when it is destroyed.
class StopSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StopSignals)

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // False when the socket pair or the handlers could not be set up.
    bool isValid() const { return m_valid; }

signals:
    void received(int signalNumber);

private:
    bool install();
    void readPending();

    int m_sockets[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_oldInterrupt = {};
    struct sigaction m_oldTerminate = {};
    bool m_valid = false;
};
