#pragma once

#include "engine/PackPlan.h"
#include "store/PackLog.h"

#include <QList>
#include <QSet>

#include <functional>
#include <optional>

// What a download interrupted in an earlier run still has to do, worked out from its pack log,
// the lengths of its pieces and of its work file: the packs complete, those of them joined for
// good, the packs begun with the bytes their piece holds, and (implicitly) every other pack, to
// fetch from its first byte. It knows nothing of the protocol, and its cost grows with the pack
// log, never with the file.
class ResumePlan final
{
public:
    struct Begun
    {
        qint64 number = 0;
        qint64 have = 0; // bytes its piece holds, less than the pack's length
        bool operator==(const Begun &) const = default;
    };

    // pieceLength(n): the bytes the piece of pack n holds, none when it has no piece. workLength:
    // the bytes of the work file "final.qfd", 0 when there is none. Lines of packs outside the plan
    // are ignored; a pack logged complete and begun counts as complete.
    ResumePlan(const PackPlan &plan, const PackLog::Entries &entries,
               const std::function<std::optional<qint64>(qint64)> &pieceLength,
               qint64 workLength = 0);

    // Logged ":1", or logged ":0" with a piece that already holds the whole pack.
    const QSet<qint64> &complete() const { return m_complete; }
    // The leading complete packs the work file holds for good: their pieces are gone (a piece
    // goes only once the work file holding its bytes is on the disk) and the work file holds
    // them whole. What it holds past them is not trusted.
    qint64 joined() const { return m_joined; }
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
    qint64 m_joined = 0;
    QList<Begun> m_begun;
    QList<qint64> m_foundWhole;
};
