#pragma once

#include "engine/HttpSlot.h"
#include "engine/PackPlan.h"
#include "engine/PackQueue.h"
#include "store/PackLog.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <array>

// One running HTTP download: hands the packs to the four slots in order, logs every completed
// pack, keeps the byte counts, and pauses, resumes or halts every slot at once.
class HttpDownload final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpDownload)

public:
    static constexpr int SlotCount = 4;

    struct Setup
    {
        HttpSlot::Target target;
        qint64 packSize = 0;
        QString receiveFolder; // ends with "/"
        QString baseName;      // names the piece files
        QString packLogPath;
    };

    HttpDownload(const Setup &setup, const HttpSlot::Timing &timing, QObject *parent = nullptr);

    const PackPlan &plan() const { return m_plan; }
    QString piecePath(qint64 pack) const;

    // Slots 1 to 4, in order, take their first pack; a slot left without one shows "Nothing".
    void start();
    void pause();
    void resume();
    bool isPaused() const { return m_paused; }
    // Closes every connection for good and keeps the packs the slots hold, for the record of
    // a closing program.
    void halt();
    // Pieces found missing or short when joining: their log lines go and they are fetched again.
    void refetch(const QList<Pack> &packs);

    // The piece files of the packs that slots hold, not yet complete.
    QStringList heldPiecePaths() const;
    // Every pack logged complete and every slot idle.
    bool isComplete() const;
    qint64 received() const { return m_received; }
    // The part of its pack a slot holds, in percent; 0 for an idle slot.
    int slotPercent(int slot) const;

signals:
    void slotStatusChanged(int slot, const QString &caption);
    void packsToGoTextChanged(const QString &text);
    void bytesReceived(qint64 bytes);
    // The last pack has just been logged complete.
    void allPacksIn();
    void writeFailed(const QString &path);
    void connectionLost();

private:
    void dispatch(int slot);
    void onPackComplete(int slot);
    void onReceived(qint64 bytes);
    HttpSlot &slotAt(int slot) const { return *m_slots.at(slot - 1); }

    PackPlan m_plan;
    PackQueue m_queue;
    PackLog m_log;
    QString m_receiveFolder;
    QString m_baseName;
    std::array<HttpSlot *, SlotCount> m_slots{};
    qint64 m_completed = 0;
    qint64 m_received = 0;
    bool m_paused = false;
};
