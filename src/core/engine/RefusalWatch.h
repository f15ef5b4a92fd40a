#pragma once

#include "wire/ServerRefusal.h"

#include <QElapsedTimer>
#include <QHash>

// Tells when retrying has become hopeless: one slot has received the same refusal for a whole
// interval, with no good answer from any slot in between; or an answer brought no data when no
// slot has received a byte for a whole interval.
class RefusalWatch final
{
public:
    explicit RefusalWatch(int intervalMs) : m_intervalMs(intervalMs) { m_quiet.start(); }

    // Notes slot's refusal; true when the slot has been refused this way for the interval (for
    // an answer without data: when no data came for the interval).
    bool isHopeless(int slot, const ServerRefusal &refusal);
    // A good answer (data), a pause or a resume: every slot starts counting anew.
    void clear()
    {
        m_seen.clear();
        m_quiet.start();
    }

private:
    struct Seen
    {
        ServerRefusal refusal;
        QElapsedTimer since;
    };

    QHash<int, Seen> m_seen;
    QElapsedTimer m_quiet; // since the last data, pause or resume
    int m_intervalMs;
};
