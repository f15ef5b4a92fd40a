#pragma once

#include "engine/PackPlan.h"
#include "store/PackLog.h"

#include <QList>
#include <QSet>

#include <functional>

// What a download interrupted in an earlier run still has to do, worked out from its pack log
// and the lengths of its pieces: the packs complete, the packs begun with the bytes their piece
// holds, and (implicitly) every other pack, to fetch from its first byte. It knows nothing of
// the protocol, and its cost grows with the pack log, never with the file.
class ResumePlan final
{
public:
    struct Begun
    {
        qint64 number = 0;
        qint64 have = 0; // bytes its piece holds, less than the pack's length
        bool operator==(const Begun &) const = default;
    };

    // pieceLength(n): the bytes the piece of pack n holds, 0 when it has none. Lines of packs
    // outside the plan are ignored; a pack logged complete and begun counts as complete.
    ResumePlan(const PackPlan &plan, const PackLog::Entries &entries,
               const std::function<qint64(qint64)> &pieceLength);

    // Logged ":1", or logged ":0" with a piece that already holds the whole pack.
    const QSet<qint64> &complete() const { return m_complete; }
    qint64 completeBytes() const { return m_completeBytes; }
    // Logged ":0" and short of their length, in log order.
    const QList<Begun> &begun() const { return m_begun; }
    // Logged ":0" but whole on disk: their ":1" line is still to be written.
    const QList<qint64> &foundWhole() const { return m_foundWhole; }
    // Every pack whose piece must be kept: complete and begun.
    QSet<qint64> logged() const;
    // The bytes already on disk: the complete packs and what the begun ones hold.
    qint64 receivedBytes() const;

private:
    QSet<qint64> m_complete;
    qint64 m_completeBytes = 0;
    QList<Begun> m_begun;
    QList<qint64> m_foundWhole;
};
