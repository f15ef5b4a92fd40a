#include "engine/PackQueue.h"

PackQueue::PackQueue(const PackPlan &plan)
    : m_plan(plan), m_freshEnd(plan.count()), m_shortQueued(plan.shortLength() > 0)
{}

PackQueue::PackQueue(const PackPlan &plan, const QList<qint64> &first, const QSet<qint64> &complete)
    : m_plan(plan), m_freshEnd(plan.count())
{
    for (const qint64 number : first) {
        if (inPlan(number) && !complete.contains(number) && !m_skip.contains(number)) {
            m_numbers.push_back(number);
            m_skip.insert(number);
        }
    }
    for (const qint64 number : complete) {
        if (inPlan(number))
            m_skip.insert(number);
    }
    m_skipsAhead = m_skip.size();
    m_shortQueued = m_plan.shortLength() > 0 && !complete.contains(m_plan.fullCount());
}

std::optional<Pack> PackQueue::next()
{
    qint64 number = 0;
    if (!m_numbers.empty()) {
        number = m_numbers.front();
        m_numbers.pop_front();
    } else {
        while (m_freshNext < m_freshEnd && m_skip.contains(m_freshNext)) {
            ++m_freshNext;
            --m_skipsAhead;
        }
        if (m_freshNext == m_freshEnd)
            return std::nullopt;
        number = m_freshNext++;
    }
    if (isShort(number))
        m_shortQueued = false;
    return m_plan.pack(number);
}

void PackQueue::giveBack(const Pack &pack)
{
    m_numbers.push_front(pack.number);
    if (isShort(pack.number))
        m_shortQueued = true;
}

PackCount PackQueue::left() const
{
    if (!m_shortQueued)
        return {size(), m_plan.packSize(), 0};
    return {size() - 1, m_plan.packSize(), m_plan.shortLength()};
}

bool PackQueue::isShort(qint64 number) const
{
    return m_plan.shortLength() > 0 && number == m_plan.fullCount();
}
