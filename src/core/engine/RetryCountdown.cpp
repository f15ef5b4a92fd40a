#include "engine/RetryCountdown.h"

namespace {

int secondsLeft(const QDeadlineTimer &end)
{
    return int((end.remainingTime() + 999) / 1000);
}

} // namespace

RetryCountdown::RetryCountdown(int resumeFirstMs, int resumeMaxMs, int tickMs, QObject *parent)
    : QObject(parent), m_delay(resumeFirstMs, resumeMaxMs)
{
    m_resumeTimer.setSingleShot(true);
    m_tickTimer.setInterval(tickMs);
    connect(&m_resumeTimer, &QTimer::timeout, this, &RetryCountdown::resumeDue);
    connect(&m_tickTimer, &QTimer::timeout, this, &RetryCountdown::tick);
}

void RetryCountdown::scheduleResume()
{
    const int delay = m_delay.next();
    m_resumeTimer.start(delay);
    announce(RetryCause::ConnectionLost, delay);
}

void RetryCountdown::announce(RetryCause cause, int waitMs)
{
    m_end.setRemainingTime(waitMs);
    m_tickTimer.start();
    m_shown = RetryWait{cause, secondsLeft(m_end)};
    emit started(*m_shown);
}

void RetryCountdown::hide()
{
    m_tickTimer.stop();
    m_shown.reset();
}

void RetryCountdown::stop()
{
    m_resumeTimer.stop();
    hide();
}

void RetryCountdown::tick()
{
    if (m_end.hasExpired()) {
        m_tickTimer.stop();
        emit ended();
        return;
    }
    m_shown->seconds = secondsLeft(m_end);
    emit ticked();
}
