#pragma once

#include "engine/ServerRefusal.h"

#include <QElapsedTimer>
#include <QHash>

// Tells when retrying has become hopeless: one slot has received the same refusal for a whole
// interval, with no good answer from any slot in between.
class RefusalWatch final
{
public:
    explicit RefusalWatch(int intervalMs) : m_intervalMs(intervalMs) {}

    // Notes slot's refusal; true when the slot has been refused this way for the interval.
    bool isHopeless(int slot, const ServerRefusal &refusal);
    // A good answer, a pause or a resume: every slot starts counting anew.
    void clear() { m_seen.clear(); }

private:
    struct Seen
    {
        ServerRefusal refusal;
        QElapsedTimer since;
    };

    QHash<int, Seen> m_seen;
    int m_intervalMs;
};
