#pragma once

#include "progress/RunProgress.h"

#include <QtGlobal>

// One pack of a file: its number, the offset of its first byte and its length.
struct Pack
{
    qint64 number = 0;
    qint64 start = 0;
    qint64 length = 0;

    bool operator==(const Pack &) const = default;
};

// Cuts a file of S bytes into packs of P bytes: F = S / P full packs, then one short pack of
// R = S - F * P bytes when R > 0. Pure arithmetic on 64-bit sizes.
class PackPlan final
{
public:
    // packSize must be at least 1 (the settings never hand out less).
    PackPlan(qint64 fileSize, qint64 packSize);

    qint64 fileSize() const { return m_fileSize; }
    qint64 packSize() const { return m_packSize; }
    qint64 fullCount() const { return m_fileSize / m_packSize; }
    qint64 shortLength() const { return m_fileSize % m_packSize; }
    qint64 count() const { return fullCount() + (shortLength() > 0 ? 1 : 0); }

    Pack pack(qint64 number) const;
    qint64 length(qint64 number) const;
    // The first byte after packs 0 .. packs - 1.
    qint64 end(qint64 packs) const { return qMin(packs * m_packSize, m_fileSize); }
    // How many leading packs the first `bytes` of the file hold whole.
    qint64 packsWithin(qint64 bytes) const
    {
        return bytes >= m_fileSize ? count() : qMax<qint64>(bytes, 0) / m_packSize;
    }

    // F packs of P bytes and the short one of R.
    PackCount packs() const { return {fullCount(), m_packSize, shortLength()}; }

private:
    qint64 m_fileSize;
    qint64 m_packSize;
};
