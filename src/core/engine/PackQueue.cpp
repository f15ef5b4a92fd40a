#include "engine/PackQueue.h"

#include <algorithm>

PackQueue::PackQueue(const PackPlan &plan)
    : m_plan(plan), m_freshEnd(plan.count()), m_shortQueued(plan.shortLength() > 0)
{}

PackQueue::PackQueue(const PackPlan &plan, const QList<qint64> &numbers)
    : m_plan(plan), m_numbers(numbers.cbegin(), numbers.cend()),
      m_shortQueued(std::any_of(numbers.cbegin(), numbers.cend(),
                                [this](qint64 number) { return isShort(number); }))
{}

std::optional<Pack> PackQueue::next()
{
    qint64 number = 0;
    if (!m_numbers.empty()) {
        number = m_numbers.front();
        m_numbers.pop_front();
    } else if (m_freshNext < m_freshEnd) {
        number = m_freshNext++;
    } else {
        return std::nullopt;
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

QString PackQueue::packsToGoText() const
{
    return m_plan.packsToGoText(size(), m_shortQueued);
}

bool PackQueue::isShort(qint64 number) const
{
    return m_plan.shortLength() > 0 && number == m_plan.fullCount();
}
