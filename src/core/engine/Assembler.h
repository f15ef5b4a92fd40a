#pragma once

#include "engine/JoinFault.h"
#include "engine/PackPlan.h"

#include <QFile>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class JoinedFile;
class JoinWatch;

// Joins the piece files of a download, in pack order, into the work file "final.qfd" of its
// receive folder, then hands the whole work file on to leave the receive folder. A piece is
// deleted once the work file that holds its bytes is on the disk, never before: the pieces gone
// and the work file's length tell the next start what is joined for good (see ResumePlan), and a
// failure never leaves a short or padded file or loses a pack's bytes.
class Assembler final
{
public:
    // `watch`, when given, sees every byte appended to "final.qfd" and may have the joined file
    // named as corrupt.
    Assembler(const PackPlan &plan, const QString &receiveFolder, const QString &baseName,
              std::shared_ptr<JoinWatch> watch = nullptr);

    // Packs from..to-1 whose piece is missing or holds fewer bytes than the pack: fetch them
    // again.
    QList<Pack> unusablePieces(qint64 from, qint64 to) const;

    struct Outcome
    {
        qint64 joined = 0; // the leading packs "final.qfd" holds for good; their pieces are gone
        // What stopped the join early; none when it was stopped from outside.
        std::optional<JoinFault> fault;
        bool done = false; // the joined file left the receive folder
    };
    // Appends the packs from..to-1 to "final.qfd" a few at a time, making it durable and then
    // deleting their pieces after each step. "final.qfd" is made anew when `from` is 0. Else it
    // is cut back to the packs before `from` (an append stopped midway leaves more), or when it
    // holds fewer (it lost bytes), to the packs it holds whole, and nothing is appended: the
    // packs it lost are to be fetched again. Stops at the first piece that cannot be read,
    // keeping what it joined before. Checks `stop` between pieces (the join may run in a thread
    // of its own): once set, the pieces of the step under way stay.
    Outcome appendPieces(qint64 from, qint64 to, const std::atomic_bool &stop) const;
    // Appends the packs from `joined` on, then hands "final.qfd" to `file` to leave the receive
    // folder.
    Outcome join(const JoinedFile &file, qint64 joined, const std::atomic_bool &stop) const;

private:
    bool openWork(QFile &work, qint64 from) const;
    Outcome appendStep(QFile &work, qint64 from, qint64 to, const std::atomic_bool &stop) const;
    std::optional<JoinFault> appendPiece(QFile &work, qint64 pack) const;
    std::optional<JoinFault> watchStep(qint64 from, qint64 to) const;
    QString piecePath(qint64 pack) const;

    PackPlan m_plan;
    QString m_receiveFolder;
    QString m_baseName;
    std::shared_ptr<JoinWatch> m_watch;
    qint64 m_stepPacks; // appended between two syncs of the work file
};
