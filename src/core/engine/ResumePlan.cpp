#include "engine/ResumePlan.h"

ResumePlan::ResumePlan(const PackPlan &plan, const PackLog::Entries &entries,
                       const std::function<std::optional<qint64>(qint64)> &pieceLength,
                       qint64 workLength)
{
    const auto inPlan = [&plan](qint64 number) { return number >= 0 && number < plan.count(); };
    for (const qint64 number : entries.complete) {
        if (inPlan(number) && !m_complete.contains(number)) {
            m_complete.insert(number);
            m_completeBytes += plan.length(number);
        }
    }
    QSet<qint64> begun;
    for (const qint64 number : entries.partial) {
        if (!inPlan(number) || m_complete.contains(number) || begun.contains(number))
            continue;
        const qint64 length = plan.length(number);
        const qint64 have = qBound<qint64>(0, pieceLength(number).value_or(0), length);
        if (have < length) {
            begun.insert(number);
            m_begun.append({number, have});
            continue;
        }
        m_complete.insert(number);
        m_completeBytes += length;
        m_foundWhole.append(number);
    }
    const qint64 whole = plan.packsWithin(workLength);
    while (m_joined < whole && m_complete.contains(m_joined) && !pieceLength(m_joined))
        ++m_joined;
}

QSet<qint64> ResumePlan::logged() const
{
    QSet<qint64> numbers = m_complete;
    for (const Begun &pack : m_begun)
        numbers.insert(pack.number);
    return numbers;
}

qint64 ResumePlan::receivedBytes() const
{
    qint64 bytes = m_completeBytes;
    for (const Begun &pack : m_begun)
        bytes += pack.have;
    return bytes;
}
