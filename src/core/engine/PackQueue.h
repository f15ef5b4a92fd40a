#pragma once

#include "engine/PackPlan.h"

#include <QList>

#include <deque>
#include <optional>

// The packs still to hand out, in the order the slots get them. A fresh download queues every
// pack of the plan in number order (the short last pack naturally comes last); a resumed one
// queues the packs it still has to fetch. A pack given back goes to the front.
class PackQueue final
{
public:
    explicit PackQueue(const PackPlan &plan);
    PackQueue(const PackPlan &plan, const QList<qint64> &numbers);

    std::optional<Pack> next();
    void giveBack(const Pack &pack);

    qint64 size() const { return qint64(m_numbers.size()) + m_freshEnd - m_freshNext; }
    bool isEmpty() const { return size() == 0; }
    bool holdsShortPack() const { return m_shortQueued; }
    // The packs-to-go caption for what is left.
    QString packsToGoText() const;

private:
    bool isShort(qint64 number) const;

    PackPlan m_plan;
    // Explicit numbers (given back, or a resume's list) are served first, then the range
    // [m_freshNext, m_freshEnd): a fresh plan of millions of packs needs no list.
    std::deque<qint64> m_numbers;
    qint64 m_freshNext = 0;
    qint64 m_freshEnd = 0;
    bool m_shortQueued = false;
};
