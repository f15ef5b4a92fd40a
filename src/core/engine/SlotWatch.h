#pragma once

#include "engine/Backoff.h"

#include <QObject>
#include <QTimer>

#include <functional>

// What a connection slot of either protocol watches over its connection: silence that lasts a
// whole stall interval, and the growing delay before it tries again after a failure, which
// only bytes of the file reset.
class SlotWatch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SlotWatch)

public:
    struct Timing
    {
        int retryFirstMs = 1000;
        int retryMaxMs = 30000;
        int stallMs = 30000;
    };
    // The most a slot reads from a connection at once.
    static constexpr qsizetype ReadChunk = 256 * 1024;
    // The most a slot reads in one turn of the event loop: a loopback server sends faster than a
    // slot stores, and a slot that read until the socket ran dry would starve the other slots
    // and the timers (the progress tick that starts the early join among them).
    static constexpr qint64 TurnBytes = 4 * ReadChunk;

    // Silence counts only while `waiting` says the slot waits for its server (always, when it is
    // not given).
    explicit SlotWatch(const Timing &timing, std::function<bool()> waiting = {});

    // A connection starts: silence counts from now.
    void watch();
    void stopWatching();
    // Bytes or an event on the connection: the silence is broken.
    void noteActivity() { m_activity = true; }

    // The slot connects again (retryDue) after the growing delay, or at once.
    void retryLater();
    void retryNow();
    int retryDelayMs() const { return m_retryTimer.interval(); }
    // A byte of the file arrived: the next failure waits the first delay again.
    void resetDelay() { m_delay.reset(); }

    // Neither watches nor retries any more.
    void stop();

signals:
    // Nothing came for the stall interval while the slot waited.
    void stalled();
    void retryDue();

private:
    void check();

    std::function<bool()> m_waiting;
    QTimer m_stallTimer;
    QTimer m_retryTimer;
    Backoff m_delay;
    bool m_activity = false;
    int m_silentChecks = 0;
};
