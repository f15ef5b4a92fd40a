#include "engine/PackPiece.h"

#include <cerrno>

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
    errno = 0;
    if (m_have == 0)
        return noted(
            m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered));
    if (!noted(m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)))
        return false;
    m_have = qMin(m_have, m_file.size());
    return noted(m_file.resize(m_have) && m_file.seek(m_have));
}

qint64 PackPiece::write(const char *data, qint64 size)
{
    const qint64 take = qMin(size, m_pack.length - m_have);
    errno = 0;
    if (!noted(m_file.write(data, take) == take))
        return -1;
    m_have += take;
    return take;
}

bool PackPiece::restart()
{
    m_have = 0;
    errno = 0;
    return noted(m_file.resize(0) && m_file.seek(0));
}

// The error number is read at once: any later call may change it.
bool PackPiece::noted(bool done)
{
    m_error = done ? 0 : errno;
    return done;
}
