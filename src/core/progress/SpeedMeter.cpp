#include "progress/SpeedMeter.h"

#include "progress/DisplayText.h"

#include <cmath>

namespace {

// The captions of the speed labels before the first average of a download, and of the instant
// speed after a tick without data.
QString idleSpeedText()
{
    return QStringLiteral("0.00 Kb/s");
}

QString idleBitsText()
{
    return QStringLiteral("0.0 Kbits/s");
}

// The bytes of a tick, kept to a resolution of 10 bytes (a number of thousands with two
// decimals); a tick's bytes are shown as bytes per second.
qint64 instantSpeed(qint64 tickBytes)
{
    return (tickBytes + 5) / 10 * 10;
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
    m_highest = 0;
    m_lowest = 0;
    m_highestSpeed.clear();
    m_highestBits.clear();
    m_lowestSpeed.clear();
    m_lowestBits.clear();
    m_averageSpeed = idleSpeedText();
    m_averageBits = idleBitsText();
}

void SpeedMeter::restore(const ElapsedClock &elapsed, qint64 resumeBase)
{
    reset();
    m_elapsed = elapsed;
    m_resumeBase = resumeBase;
    m_received = resumeBase;
    emit elapsedTextChanged(elapsedText());
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

ElapsedClock SpeedMeter::elapsed() const
{
    return m_elapsed;
}

QString SpeedMeter::elapsedText() const
{
    return clockText(m_elapsed.hours, m_elapsed.minutes, m_elapsed.seconds);
}

StatsRecord SpeedMeter::stats() const
{
    StatsRecord record;
    record.time = elapsedText();
    record.highestSpeed = m_highestSpeed;
    record.highestBits = m_highestBits;
    record.lowestSpeed = m_lowestSpeed;
    record.lowestBits = m_lowestBits;
    record.averageSpeed = m_averageSpeed;
    record.averageBits = m_averageBits;
    return record;
}

void SpeedMeter::speedTick()
{
    const qint64 instant = instantSpeed(m_tickBytes);
    const std::optional<qint64> average = averageSpeed();

    if (m_received < 1 || m_total < 1) {
        m_tickBytes = 0;
        return;
    }
    if (m_total <= m_received + 1) {
        // The file is complete: only the average is brought up to date.
        showAverage(average.value_or(0));
        return;
    }
    if (average.value_or(0) != 0) {
        showAverage(*average);
        pushSample(m_averageSamples, sampleOf(*average));
        const double secondsLeft = double(m_total - m_received) / 1024.0 / double(*average / 1000);
        emit remainingTextChanged(Format_Temps(qint64(std::floor(secondsLeft))));
    }
    if (instant != 0) {
        showInstant(instant);
        pushSample(m_instantSamples, sampleOf(instant));
        emit samplesChanged();
    } else {
        // Nothing arrived: the labels say so, while the graphs and the lowest speed ignore it.
        emit instantSpeedChanged(idleSpeedText(), idleBitsText());
    }
    m_tickBytes = 0;
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
    emit elapsedTextChanged(elapsedText());
}

// Bytes per second since the run's first data, paused intervals left out, in whole thousands;
// nullopt while no time has passed.
std::optional<qint64> SpeedMeter::averageSpeed() const
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

void SpeedMeter::showAverage(qint64 bytesPerSecond)
{
    m_averageSpeed = Format_Vitesse(bytesPerSecond);
    m_averageBits = bitRateText(double(bytesPerSecond));
    emit averageSpeedChanged(m_averageSpeed, m_averageBits);
}

void SpeedMeter::showInstant(qint64 bytesPerSecond)
{
    const QString speed = Format_Vitesse(bytesPerSecond);
    const QString bits = bitRateText(double(bytesPerSecond));
    emit instantSpeedChanged(speed, bits);
    if (bytesPerSecond > m_highest) {
        m_highest = bytesPerSecond;
        m_highestSpeed = speed;
        m_highestBits = bits;
    }
    if (bytesPerSecond < m_lowest || m_lowest == 0) {
        m_lowest = bytesPerSecond;
        m_lowestSpeed = speed;
        m_lowestBits = bits;
    }
}

void SpeedMeter::startTimers()
{
    Timer_Speed.start();
    Timer_Time.start();
}

void SpeedMeter::stopTimers()
{
    Timer_Speed.stop();
    Timer_Time.stop();
}
