#include "engine/PackPiece.h"

void PackPiece::take(const Pack &pack, const QString &path, qint64 have)
{
    forget();
    m_pack = pack;
    m_have = have;
    m_holds = true;
    m_file.setFileName(path);
}

void PackPiece::forget()
{
    m_file.close();
    m_holds = false;
    m_have = 0;
}

bool PackPiece::open()
{
    if (m_have == 0)
        return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    m_have = qMin(m_have, m_file.size());
    return m_file.resize(m_have) && m_file.seek(m_have);
}

qint64 PackPiece::write(const char *data, qint64 size)
{
    const qint64 take = qMin(size, m_pack.length - m_have);
    if (m_file.write(data, take) != take)
        return -1;
    m_have += take;
    return take;
}

bool PackPiece::restart()
{
    m_have = 0;
    return m_file.resize(0) && m_file.seek(0);
}
