#pragma once

#include "engine/Backoff.h"
#include "progress/RunProgress.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

#include <optional>

// The waits before the download tries again by itself, counted down in whole seconds. After a
// connection error the paused download resumes after 1, 2, 4 ... s, a delay that grows while the
// errors go on, so that a server that keeps refusing is not hammered; after a server error or an
// answer without data a slot asks again after its own delay while the download runs on.
class RetryCountdown final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RetryCountdown)

public:
    // tickMs: how often the seconds left are counted.
    RetryCountdown(int resumeFirstMs, int resumeMaxMs, int tickMs, QObject *parent = nullptr);

    // A connection error paused the download: resumeDue() comes after the next delay.
    void scheduleResume();
    // A slot asks again after waitMs; the download runs on.
    void announce(RetryCause cause, int waitMs);
    // Data came through: the next connection error waits the first delay again.
    void resetDelay() { m_delay.reset(); }
    // The count-down stops and is no longer shown (the download paused by other means).
    void hide();
    // Neither count-down nor resume (the download resumed or ended).
    void stop();
    // The wait shown, as its last tick counted it. It stays shown once it is over, until hide()
    // or stop().
    std::optional<RetryWait> shown() const { return m_shown; }

signals:
    void started(const RetryWait &wait);
    // The seconds left were counted again.
    void ticked();
    // The wait is over; the owner decides what is shown next.
    void ended();
    void resumeDue();

private:
    void tick();

    Backoff m_delay;
    QTimer m_resumeTimer;
    QTimer m_tickTimer;
    QDeadlineTimer m_end;
    std::optional<RetryWait> m_shown;
};
