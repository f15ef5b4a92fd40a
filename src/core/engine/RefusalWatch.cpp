#include "engine/RefusalWatch.h"

bool RefusalWatch::isHopeless(int slot, const ServerRefusal &refusal)
{
    if (refusal.kind == ServerRefusal::Kind::NoData)
        return m_quiet.hasExpired(m_intervalMs);
    const auto seen = m_seen.find(slot);
    if (seen != m_seen.end() && seen->refusal == refusal)
        return seen->since.hasExpired(m_intervalMs);
    QElapsedTimer since;
    since.start();
    m_seen.insert(slot, {refusal, since});
    return false;
}
