#pragma once

#include "engine/PackPlan.h"

#include <QList>
#include <QString>

#include <atomic>

// Joins the piece files of a complete download, in pack order, into the joined file. Every
// piece is checked first, the joined file appears only once it is whole, and the pieces are
// deleted only after that: a failure never leaves a short or padded file and never loses a
// piece.
class Assembler final
{
public:
    Assembler(const PackPlan &plan, const QString &receiveFolder, const QString &baseName);

    // Packs whose piece is missing or holds fewer bytes than the pack: fetch them again.
    QList<Pack> unusablePieces() const;

    struct Outcome
    {
        bool done = false;
        QString failedPath; // the file that could not be written or moved
    };
    // Writes "final.qfd" from exactly each pack's bytes of its piece, moves it to joinedPath
    // (outside the receive folder) and deletes the pieces. Packs before `joined` are in
    // "final.qfd" already (see appendPieces). Checks `stop` between pieces (the join may run in a
    // thread of its own): once set, the work file goes and the pieces stay.
    Outcome join(const QString &joinedPath, qint64 joined, const std::atomic_bool &stop) const;
    // Appends the packs from..to-1 to "final.qfd", made anew when `from` is 0, or when it does
    // not end where pack `from` starts. Before the download ends, so that little is left to
    // join at the end; the pieces stay. False when a piece is missing or a write fails.
    bool appendPieces(qint64 from, qint64 to, const std::atomic_bool &stop) const;

    // Gives the joined file its name, replacing a file there, in one step where the system can.
    static bool place(const QString &joinedPath, const QString &finalPath);

private:
    QString piecePath(qint64 pack) const;

    PackPlan m_plan;
    QString m_receiveFolder;
    QString m_baseName;
};
