#include "engine/RefusalWatch.h"

bool RefusalWatch::isHopeless(int slot, const ServerRefusal &refusal)
{
    const auto seen = m_seen.find(slot);
    if (seen != m_seen.end() && seen->refusal == refusal)
        return seen->since.hasExpired(m_intervalMs);
    QElapsedTimer since;
    since.start();
    m_seen.insert(slot, {refusal, since});
    return false;
}
