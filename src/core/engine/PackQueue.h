#pragma once

#include "engine/PackPlan.h"

#include <QList>
#include <QSet>

#include <deque>
#include <optional>

// The packs still to hand out, in the order the slots get them. A fresh download queues every
// pack of the plan in number order (the short last pack naturally comes last); a resumed one
// queues the packs it had begun first, then every other pack that is not complete. A pack given
// back goes to the front.
class PackQueue final
{
public:
    explicit PackQueue(const PackPlan &plan);
    // `first` in their order, then the packs of the plan in number order that are neither in
    // `first` nor in `complete`. Numbers outside the plan are ignored.
    PackQueue(const PackPlan &plan, const QList<qint64> &first, const QSet<qint64> &complete);

    std::optional<Pack> next();
    void giveBack(const Pack &pack);

    qint64 size() const
    {
        return qint64(m_numbers.size()) + m_freshEnd - m_freshNext - m_skipsAhead;
    }
    bool isEmpty() const { return size() == 0; }
    // The packs-to-go caption for what is left.
    QString packsToGoText() const;

private:
    bool isShort(qint64 number) const;
    bool inPlan(qint64 number) const { return number >= 0 && number < m_plan.count(); }

    PackPlan m_plan;
    // Explicit numbers (given back, or a resume's begun packs) are served first, then the range
    // [m_freshNext, m_freshEnd) without the numbers of m_skip: a plan of millions of packs needs
    // no list, and a resume's cost grows with its pack log, not with the file.
    std::deque<qint64> m_numbers;
    qint64 m_freshNext = 0;
    qint64 m_freshEnd = 0;
    QSet<qint64> m_skip;
    qint64 m_skipsAhead = 0; // numbers of m_skip not yet passed by m_freshNext
    bool m_shortQueued = false;
};
