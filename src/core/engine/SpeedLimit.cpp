#include "engine/SpeedLimit.h"

#include <algorithm>
#include <utility>

namespace {
// The bucket holds a tenth of a second of the rate: a connection reads a worthwhile chunk at
// once, and no burst above the limit lasts long enough to be seen.
constexpr qint64 BucketMs = 100;
// While connections wait, a refill that comes late (a busy event loop) still owes them the
// bytes of the time that passed, up to a second's worth.
constexpr qint64 OwedMs = 1000;
// What the system keeps for each paced connection: a tenth of a second of the whole rate, so
// that the receive window holds the server to the rate in small steps and still lets a share
// of it through a long round trip.
constexpr qint64 ReceiveBufferMs = 100;
constexpr qint64 MinReceiveBuffer = 8 * 1024;
constexpr qint64 MaxReceiveBuffer = 4 * 1024 * 1024;
} // namespace

SpeedLimit::SpeedLimit(int refillMs, std::function<qint64()> monotonicMs, QObject *parent)
    : QObject(parent), m_monotonicMs(std::move(monotonicMs))
{
    m_timer.setInterval(refillMs);
    connect(&m_timer, &QTimer::timeout, this, &SpeedLimit::serve);
}

// A limit that starts finds its bucket full; a changed one keeps what its bucket holds.
void SpeedLimit::setRate(qint64 bytesPerSecond)
{
    refill();
    const bool started = m_rate == 0;
    m_rate = qMax<qint64>(0, bytesPerSecond);
    if (m_rate == 0) {
        serveAll();
        return;
    }
    m_milliBytes = started ? capacity() * 1000 : qMin(m_milliBytes, capacity() * 1000);
}

qint64 SpeedLimit::allowance(QObject *reader, qint64 wanted, const std::function<void()> &resume)
{
    if (m_rate == 0)
        return wanted;
    if (m_serving == reader && m_turnLeft > 0)
        return qMin(wanted, m_turnLeft);
    if (m_serving == nullptr && m_waiting.isEmpty()) {
        refill();
        if (m_milliBytes >= 1000)
            return qMin(wanted, m_milliBytes / 1000);
    }
    const bool waits =
        std::any_of(m_waiting.cbegin(), m_waiting.cend(),
                    [reader](const Waiting &waiting) { return waiting.reader == reader; });
    if (!waits)
        m_waiting.append({reader, resume});
    if (!m_timer.isActive())
        m_timer.start();
    return 0;
}

void SpeedLimit::spend(qint64 bytes)
{
    if (m_rate == 0)
        return;
    m_milliBytes -= bytes * 1000;
    if (m_serving)
        m_turnLeft -= bytes;
}

void SpeedLimit::leave(const QObject *reader)
{
    m_waiting.removeIf([reader](const Waiting &waiting) { return waiting.reader == reader; });
}

qint64 SpeedLimit::receiveBuffer() const
{
    return qBound(MinReceiveBuffer, m_rate * ReceiveBufferMs / 1000, MaxReceiveBuffer);
}

qint64 SpeedLimit::capacity() const
{
    return qMax<qint64>(1, m_rate * BucketMs / 1000);
}

// Kept in thousandths of a byte, so that frequent refills lose nothing to rounding.
void SpeedLimit::refill()
{
    const qint64 now = m_monotonicMs();
    const qint64 most = m_waiting.isEmpty() ? capacity() * 1000 : m_rate * OwedMs;
    m_milliBytes = qMin(most, m_milliBytes + m_rate * (now - m_filledAtMs));
    m_filledAtMs = now;
}

// Each reader in line gets its share of what the bucket holds; one that wants more after its
// turn lines up again behind the others. Those the bucket could not serve keep their place.
void SpeedLimit::serve()
{
    refill();
    for (qsizetype round = m_waiting.size();
         round > 0 && !m_waiting.isEmpty() && m_milliBytes >= 1000; --round) {
        const Waiting waiting = m_waiting.takeFirst();
        if (!waiting.reader)
            continue;
        m_serving = waiting.reader;
        m_turnLeft = qMax<qint64>(1, m_milliBytes / 1000 / round);
        waiting.resume();
        m_serving = nullptr;
    }
    if (m_waiting.isEmpty())
        m_timer.stop();
}

// Without a limit every reader goes on at once, once control is back in the event loop.
void SpeedLimit::serveAll()
{
    m_timer.stop();
    for (const Waiting &waiting : std::exchange(m_waiting, {})) {
        if (waiting.reader)
            QMetaObject::invokeMethod(waiting.reader.data(), waiting.resume, Qt::QueuedConnection);
    }
}
