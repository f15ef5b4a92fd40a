#include "engine/Backoff.h"

#include <QtGlobal>

Backoff::Backoff(int firstMs, int maxMs)
    : m_firstMs(qMax(1, firstMs)), m_maxMs(qMax(m_firstMs, maxMs)), m_nextMs(m_firstMs)
{}

int Backoff::next()
{
    const int delayMs = m_nextMs;
    m_nextMs = m_nextMs > m_maxMs / 2 ? m_maxMs : m_nextMs * 2;
    return delayMs;
}
