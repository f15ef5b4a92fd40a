#include "engine/SlotWatch.h"

namespace {
// Silence is checked a few times per stall interval, so a stall is noticed soon after it
// lasted the whole interval.
constexpr int StallChecks = 4;
} // namespace

SlotWatch::SlotWatch(const Timing &timing, std::function<bool()> waiting)
    : m_waiting(std::move(waiting)), m_delay(timing.retryFirstMs, timing.retryMaxMs)
{
    m_stallTimer.setInterval(qMax(1, timing.stallMs / StallChecks));
    m_retryTimer.setSingleShot(true);
    connect(&m_stallTimer, &QTimer::timeout, this, &SlotWatch::check);
    connect(&m_retryTimer, &QTimer::timeout, this, &SlotWatch::retryDue);
}

void SlotWatch::watch()
{
    m_activity = true;
    m_silentChecks = 0;
    m_stallTimer.start();
}

void SlotWatch::stopWatching()
{
    m_stallTimer.stop();
}

void SlotWatch::retryLater()
{
    m_retryTimer.start(m_delay.next());
}

void SlotWatch::retryNow()
{
    m_retryTimer.start(0);
}

void SlotWatch::stop()
{
    m_stallTimer.stop();
    m_retryTimer.stop();
}

void SlotWatch::check()
{
    const bool waiting = !m_waiting || m_waiting();
    m_silentChecks = (m_activity || !waiting) ? 0 : m_silentChecks + 1;
    m_activity = false;
    if (m_silentChecks >= StallChecks)
        emit stalled();
}
