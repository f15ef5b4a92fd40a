#pragma once

#include "engine/PackPlan.h"
#include "engine/PackQueue.h"
#include "engine/PieceFiles.h"
#include "engine/RefusalWatch.h"
#include "store/PackLog.h"
#include "store/ServerValidators.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

#include <functional>
#include <optional>

class PackSlot;

// One running download over its connection slots, whatever their protocol: hands the packs to
// the slots in order, logs every completed pack, keeps the byte counts, and pauses, resumes or
// halts every slot at once. A slot that sends requests ahead is handed its next pack early. A
// pause records in the pack log each pack begun and not complete
// (":0") and the bytes its piece holds; the resume continues each of them after those bytes.
class Download final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Download)

public:
    static constexpr int MaxSlots = 4;
    using SlotFactory = std::function<PackSlot *(int number, QObject *parent)>;

    struct Setup
    {
        qint64 fileSize = 0;
        qint64 packSize = 0;
        QString receiveFolder; // ends with "/"
        QString baseName;      // names the piece files
        QString packLogPath;
        int slotCount = MaxSlots;
        int refusalMs = 60000; // one slot refused the same way this long: the download gives up
    };

    Download(const Setup &setup, const SlotFactory &makeSlot, QObject *parent = nullptr);

    const PackPlan &plan() const { return m_plan; }
    int slotCount() const { return int(m_slots.size()); }

    // Slots 1, 2, ... in order take their first pack; a slot left without one is idle.
    void start();
    // Before start(), for the download an earlier run left: reads its pack log, pieces and work
    // file. The complete packs are kept, each begun pack will continue after the bytes its piece
    // holds (the first ones in slots 1, 2, ..., the others when a slot is free), every ":0" line
    // goes, and the pieces of packs the log does not name are deleted so that those start afresh.
    void planResume();
    // Packs 0 .. joinedBefore() - 1 are in the work file for good since an earlier run: they
    // need no piece. 0 for a fresh download.
    qint64 joinedBefore() const { return m_joinedBefore; }
    // Halts every slot and records the packs begun (":0") and their saved lengths. Once only:
    // pausing a paused download does nothing.
    void pause();
    // Removes the ":0" lines; each slot continues its pack after its saved length, the others
    // take new packs.
    void resume();
    bool isPaused() const { return m_paused; }
    // Closes every connection for good (cancel, completion).
    void halt();
    // Complete packs whose piece was found missing or short when they were to be joined: their
    // log lines go and they are fetched again.
    void refetch(const QList<Pack> &packs);

    // Every pack logged complete and every slot idle.
    bool isComplete() const;
    qint64 received() const { return m_received; }
    // Packs 0 .. completeRun() - 1 are all complete: their pieces may be joined already.
    qint64 completeRun() const { return m_run; }
    // The part of its pack a slot holds, in percent; 0 for an idle slot.
    int slotPercent(int slot) const;
    // The packs still to hand out as the last slot to ask for one left them; none once a slot
    // found no pack left.
    std::optional<PackCount> packsToGo() const { return m_packsToGo; }

signals:
    // packLength: of the pack a Downloading slot receives.
    void slotStateChanged(int slot, SlotState state, qint64 packLength);
    void packsToGoChanged();
    void bytesReceived(qint64 bytes);
    // The last pack has just been logged complete.
    void allPacksIn();
    // A piece or the pack log could not be written, for the system's error number systemError.
    void writeFailed(const QString &path, int systemError);
    // Host not found or the network is down (a slot has halted).
    void connectionLost();
    // Any other connection error (a slot has halted).
    void connectionFailed();
    void certificateRefused(const QString &text);
    void proxyRefused(const QString &text);
    // A slot met a server error (5xx) and asks again after waitMs.
    void serverBusy(int waitMs);
    // A slot's answer brought no byte of the file; it asks again after waitMs.
    void waitingForData(int waitMs);
    // A slot was refused the same way for the whole refusal interval, with no good answer in
    // between, or no data came for that long: retrying is hopeless.
    void refusedForGood(const ServerRefusal &refusal);
    // The server's file changed (a slot has halted).
    void fileChanged(qint64 size, const ServerValidators &validators);

private:
    void Paquet_Suivant(int slot);
    void onPackComplete(int slot, qint64 pack);
    void onReadyForNext(int slot);
    void onReceived(qint64 bytes);
    void onRefused(int slot, const ServerRefusal &refusal);
    void onNothingReceived(int slot, int waitMs);
    void logComplete(qint64 pack);
    void setPacksToGo(const std::optional<PackCount> &left);
    void extendRun(qint64 pack);
    PackSlot &slotAt(int slot) const { return *m_slots.at(slot - 1); }

    PackPlan m_plan;
    PackQueue m_queue;
    PackLog m_log;
    PieceFiles m_pieces;
    QString m_workPath;
    RefusalWatch m_refusals;
    QList<PackSlot *> m_slots;
    QList<qint64> m_saved; // per slot: the bytes its piece held when the download paused
    // Begun packs waiting in the queue for a free slot, with the bytes their piece holds.
    QHash<qint64, qint64> m_carried;
    qint64 m_run = 0;
    QSet<qint64> m_completeAhead; // complete packs past the run
    qint64 m_joinedBefore = 0;
    qint64 m_completed = 0;
    qint64 m_received = 0;
    std::optional<PackCount> m_packsToGo;
    bool m_paused = false;
};
