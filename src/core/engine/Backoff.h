#pragma once

// A delay that doubles each time it is used, from its first value up to its ceiling, until a
// success resets it: 1, 2, 4 ... 30 s for a retry that keeps failing.
class Backoff final
{
public:
    Backoff(int firstMs, int maxMs);

    // The delay to wait now; the next one is twice as long, never above the ceiling.
    int next();
    void reset() { m_nextMs = m_firstMs; }

private:
    int m_firstMs;
    int m_maxMs;
    int m_nextMs;
};
