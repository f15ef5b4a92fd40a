#include "progress/SpeedMeter.h"

#include <cmath>

namespace {

// The bytes of a tick per second of the tick's real length (the speed timer's ticks are longer
// than a second, and a speed limit must be seen to hold), kept to a resolution of 10 bytes (a
// number of thousands with two decimals).
qint64 tickSpeed(qint64 tickBytes, qint64 tickMs)
{
    return (tickBytes * 1000 / qMax<qint64>(1, tickMs) + 5) / 10 * 10;
}

// A graph sample in Kbit/s.
int sampleOf(qint64 bytesPerSecond)
{
    return qRound(double(bytesPerSecond) / 128.0);
}

void pushSample(QList<int> &samples, int sample)
{
    if (!samples.isEmpty())
        samples.removeFirst();
    samples.append(sample);
}

} // namespace

SpeedMeter::SpeedMeter(int speedTickMs, int clockTickMs, std::function<qint64()> monotonicMs,
                       QObject *parent)
    : QObject(parent), m_monotonicMs(std::move(monotonicMs))
{
    Timer_Speed.setObjectName(QStringLiteral("Timer_Speed"));
    Timer_Speed.setInterval(speedTickMs);
    Timer_Time.setObjectName(QStringLiteral("Timer_Time"));
    Timer_Time.setInterval(clockTickMs);
    connect(&Timer_Speed, &QTimer::timeout, this, &SpeedMeter::speedTick);
    connect(&Timer_Time, &QTimer::timeout, this, &SpeedMeter::clockTick);
    reset();
}

void SpeedMeter::reset()
{
    stopTimers();
    m_instantSamples = QList<int>(SampleCount, 0);
    m_averageSamples = QList<int>(SampleCount, 0);
    m_elapsed = {};
    m_firstData = false;
    m_paused = false;
    m_stopped = false;
    m_runStartMs = 0;
    m_pausedAtMs = 0;
    m_tickBytes = 0;
    m_received = 0;
    m_total = 0;
    m_resumeBase = 0;
    m_instant = 0;
    m_average.reset();
    m_secondsLeft.reset();
    m_highest = 0;
    m_lowest = 0;
}

void SpeedMeter::restore(const ElapsedClock &elapsed, qint64 resumeBase)
{
    reset();
    m_elapsed = elapsed;
    m_resumeBase = resumeBase;
    m_received = resumeBase;
}

void SpeedMeter::addBytes(qint64 count)
{
    m_tickBytes += count;
    if (m_firstData || m_paused || m_stopped)
        return;
    m_firstData = true;
    m_runStartMs = m_monotonicMs();
    startTimers();
}

void SpeedMeter::setProgress(qint64 received, qint64 total)
{
    m_received = received;
    m_total = total;
}

void SpeedMeter::pause()
{
    if (m_paused || m_stopped)
        return;
    m_paused = true;
    m_pausedAtMs = m_monotonicMs();
    stopTimers();
}

void SpeedMeter::resume()
{
    if (!m_paused)
        return;
    m_paused = false;
    if (!m_firstData)
        return;
    m_runStartMs += m_monotonicMs() - m_pausedAtMs;
    startTimers();
}

void SpeedMeter::stop()
{
    m_stopped = true;
    stopTimers();
}

bool SpeedMeter::isMeasuring() const
{
    return Timer_Speed.isActive();
}

SpeedFigures SpeedMeter::figures() const
{
    return {m_instant, m_average, m_secondsLeft, m_highest, m_lowest, m_elapsed};
}

void SpeedMeter::speedTick()
{
    const qint64 nowMs = m_monotonicMs();
    const qint64 instant = tickSpeed(m_tickBytes, nowMs - m_tickStartMs);
    m_tickStartMs = nowMs;
    const std::optional<qint64> average = measureAverage();

    if (m_received < 1 || m_total < 1) {
        m_tickBytes = 0;
        return;
    }
    if (m_total <= m_received + 1) {
        // The file is complete: only the average is brought up to date.
        m_average = average.value_or(0);
        emit ticked();
        return;
    }
    if (average.value_or(0) != 0) {
        m_average = average;
        pushSample(m_averageSamples, sampleOf(*average));
        const double secondsLeft = double(m_total - m_received) / 1024.0 / double(*average / 1000);
        m_secondsLeft = qint64(std::floor(secondsLeft));
    }
    // A tick without data is no speed: the graphs and the lowest speed ignore it.
    takeInstant(instant);
    if (instant != 0) {
        pushSample(m_instantSamples, sampleOf(instant));
        emit samplesChanged();
    }
    m_tickBytes = 0;
    emit ticked();
}

void SpeedMeter::clockTick()
{
    if (++m_elapsed.seconds > 59) {
        m_elapsed.seconds = 0;
        if (++m_elapsed.minutes > 59) {
            m_elapsed.minutes = 0;
            ++m_elapsed.hours;
        }
    }
    emit ticked();
}

// Bytes per second since the run's first data, paused intervals left out, in whole thousands;
// nullopt while no time has passed.
std::optional<qint64> SpeedMeter::measureAverage() const
{
    if (!m_firstData)
        return std::nullopt;
    const qint64 nowMs = m_paused ? m_pausedAtMs : m_monotonicMs();
    const qint64 runningMs = nowMs - m_runStartMs;
    if (runningMs <= 0)
        return std::nullopt;
    const qint64 bytes = qMax<qint64>(0, m_received - m_resumeBase);
    const double thousandsPerSecond = double(bytes) / (double(runningMs) / 1000.0) / 1000.0;
    return qint64(std::floor(thousandsPerSecond)) * 1000;
}

void SpeedMeter::takeInstant(qint64 bytesPerSecond)
{
    m_instant = bytesPerSecond;
    if (bytesPerSecond == 0)
        return;
    m_highest = qMax(m_highest, bytesPerSecond);
    if (bytesPerSecond < m_lowest || m_lowest == 0)
        m_lowest = bytesPerSecond;
}

void SpeedMeter::startTimers()
{
    m_tickStartMs = m_monotonicMs();
    Timer_Speed.start();
    Timer_Time.start();
}

void SpeedMeter::stopTimers()
{
    Timer_Speed.stop();
    Timer_Time.stop();
}
