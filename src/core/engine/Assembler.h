#pragma once

#include "engine/JoinFault.h"
#include "engine/PackPlan.h"

#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class JoinedFile;
class JoinWatch;

// Joins the piece files of a complete download, in pack order, into the joined file. Every
// piece is checked first, the joined file leaves the receive folder only once it is whole, and
// the pieces are deleted only after that: a failure never leaves a short or padded file and never
// loses a piece.
class Assembler final
{
public:
    // `watch`, when given, sees every byte appended to "final.qfd" and may have the joined file
    // named as corrupt.
    Assembler(const PackPlan &plan, const QString &receiveFolder, const QString &baseName,
              std::shared_ptr<JoinWatch> watch = nullptr);

    // Packs whose piece is missing or holds fewer bytes than the pack: fetch them again.
    QList<Pack> unusablePieces() const;

    struct Outcome
    {
        qint64 joined = 0; // the packs "final.qfd" holds whole
        // What stopped the join early; none when it was stopped from outside.
        std::optional<JoinFault> fault;
        bool done = false; // the joined file left the receive folder and the pieces are gone
    };
    // Writes "final.qfd" from exactly each pack's bytes of its piece, hands it to `file` to
    // leave the receive folder and deletes the pieces. Packs before `joined` are in "final.qfd"
    // already (see appendPieces). Checks `stop` between pieces (the join may run in a thread of
    // its own): once set, the pieces stay.
    Outcome join(const JoinedFile &file, qint64 joined, const std::atomic_bool &stop) const;
    // Appends the packs from..to-1 to "final.qfd", made anew when `from` is 0, or when its length
    // is not that of the packs before `from`. Before the download ends, so that little is left
    // to join at the end; the pieces stay.
    Outcome appendPieces(qint64 from, qint64 to, const std::atomic_bool &stop) const;

private:
    QString piecePath(qint64 pack) const;

    PackPlan m_plan;
    QString m_receiveFolder;
    QString m_baseName;
    std::shared_ptr<JoinWatch> m_watch;
};
