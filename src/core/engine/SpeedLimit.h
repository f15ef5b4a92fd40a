#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

// One speed limit for every connection of a download. A bucket of bytes fills at the limit's
// rate, measured on a monotonic clock, and holds at most a tenth of a second of it while nobody
// waits. A connection
// reads only what the bucket grants; one that finds it empty stops reading, so that its kernel's
// receive window fills and the server slows down, and waits in line. Each refill serves the
// waiting connections in turn, each its share, so none of them starves.
class SpeedLimit final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SpeedLimit)

public:
    // monotonicMs: milliseconds from any fixed origin (QElapsedTimer in the programs).
    SpeedLimit(int refillMs, std::function<qint64()> monotonicMs, QObject *parent = nullptr);

    // Bytes per second, 0 for none; the connections waiting go on at the new rate.
    void setRate(qint64 bytesPerSecond);
    qint64 rate() const { return m_rate; }
    // The receive buffer a connection under this limit asks the system for.
    qint64 receiveBuffer() const;

    // How many of `wanted` bytes the reader may read now. 0: it waits in line, and `resume` runs
    // from the event loop once its turn has come.
    qint64 allowance(QObject *reader, qint64 wanted, const std::function<void()> &resume);
    // The reader read `bytes` of its allowance.
    void spend(qint64 bytes);
    // The reader stops waiting (its connection closed).
    void leave(const QObject *reader);

private:
    struct Waiting
    {
        QPointer<QObject> reader;
        std::function<void()> resume;
    };

    qint64 capacity() const;
    void refill();
    void serve();
    void serveAll();

    std::function<qint64()> m_monotonicMs;
    QTimer m_timer;
    qint64 m_rate = 0;
    qint64 m_milliBytes = 0; // in the bucket, in thousandths of a byte
    qint64 m_filledAtMs = 0;
    QList<Waiting> m_waiting;
    const QObject *m_serving = nullptr; // the reader whose turn it is
    qint64 m_turnLeft = 0;              // what it may still read in its turn
};
