#pragma once

#include "progress/RunProgress.h"
#include "store/ElapsedRecord.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

// The speed meter of a running download: instant speed (the bytes of the last speed tick per
// second), average speed since the run's first data, elapsed clock, time left, the highest and
// lowest instant speed, and the last 50 samples of each speed for the live graphs (Kbit/s,
// oldest first).
//
// Time comes from a monotonic clock handed in by the owner, so a test can drive the meter
// without waiting; the two timers use the given intervals.
class SpeedMeter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SpeedMeter)

public:
    static constexpr int SampleCount = 50;

    // monotonicMs: milliseconds from any fixed origin (QElapsedTimer in the programs).
    SpeedMeter(int speedTickMs, int clockTickMs, std::function<qint64()> monotonicMs,
               QObject *parent = nullptr);

    // Back to idle: counters, figures, samples (50 zeros each), clock 00:00:00, timers stopped.
    void reset();
    // A resumed project continues its elapsed clock; resumeBase is the byte count already on
    // disk when this run began (left out of the average speed).
    void restore(const ElapsedClock &elapsed, qint64 resumeBase);

    // The transfers report every body chunk; the first chunk of a run starts both timers.
    void addBytes(qint64 count);
    // The owner keeps the meter informed of the progress (for the average and time left).
    void setProgress(qint64 received, qint64 total);

    // Pause stops the timers; resume restarts them, leaving the paused interval out of the
    // average speed.
    void pause();
    void resume();
    // Completion or cancellation: timers stopped, values kept for the statistics.
    void stop();
    // The timers run: data arrived in this run and it is neither paused nor stopped.
    bool isMeasuring() const;

    ElapsedClock elapsed() const { return m_elapsed; }
    // The speeds of the last ticks, the time left and the elapsed clock.
    SpeedFigures figures() const;
    const QList<int> &instantSamples() const { return m_instantSamples; }
    const QList<int> &averageSamples() const { return m_averageSamples; }

    // The timer handlers, public so that tests can drive them directly.
    void speedTick();
    void clockTick();

signals:
    // A tick of either timer: the figures may have changed.
    void ticked();
    // A tick with data: the graphs are redrawn from the samples.
    void samplesChanged();

private:
    std::optional<qint64> measureAverage() const;
    void takeInstant(qint64 bytesPerSecond);
    void startTimers();
    void stopTimers();

    QTimer Timer_Speed;
    QTimer Timer_Time;
    std::function<qint64()> m_monotonicMs;
    QList<int> m_instantSamples;
    QList<int> m_averageSamples;
    ElapsedClock m_elapsed;
    bool m_firstData = false;
    bool m_paused = false;
    bool m_stopped = false;
    qint64 m_runStartMs = 0;
    qint64 m_pausedAtMs = 0;
    qint64 m_tickStartMs = 0;
    qint64 m_tickBytes = 0;
    qint64 m_received = 0;
    qint64 m_total = 0;
    qint64 m_resumeBase = 0;
    qint64 m_instant = 0;
    std::optional<qint64> m_average;
    std::optional<qint64> m_secondsLeft;
    qint64 m_highest = 0;
    qint64 m_lowest = 0;
};
