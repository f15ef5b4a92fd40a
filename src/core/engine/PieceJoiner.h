#pragma once

#include "engine/Assembler.h"
#include "engine/JoinedFile.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

// Joins the pieces of a download in a thread of its own, so that the event loop (the window, the
// tray) never waits for a large join: the leading run of complete packs while later ones still
// arrive, the rest once every pack is in. Outcomes come back on the owner's thread. The join
// stays crash-safe: a piece goes only once the work file holding its bytes is on the disk.
class PieceJoiner final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PieceJoiner)

public:
    explicit PieceJoiner(QObject *parent = nullptr);
    ~PieceJoiner() override;

    // A download begins whose work file holds its first `joined` packs for good. Stops the join
    // of an earlier one.
    void begin(qint64 joined);
    // Joins the packs from joined() up to `run` (exclusive) ahead of the end; prejoined() follows.
    void prejoin(const Assembler &assembler, qint64 run);
    // The leading packs the work file holds for good: their pieces are gone.
    qint64 joined() const { return m_joined; }
    // The run the last prejoin went for: one that failed is tried again for a longer run only.
    qint64 tried() const { return m_tried; }
    // Joins the rest and moves the joined file out of the receive folder; finished() follows.
    void start(const Assembler &assembler, const JoinedFile &file);
    // From prejoin() or start() until its signal, or stop(); neither is called meanwhile.
    bool isBusy() const { return m_busy; }
    // From start() until finished() or stop().
    bool isFinishing() const { return m_busy && m_finishing; }
    // Stops a running join between two pieces and waits for its thread: the pieces it had not
    // joined for good stay. No signal follows.
    void stop();

signals:
    void prejoined(const Assembler::Outcome &outcome);
    void finished(const Assembler::Outcome &outcome);

private:
    void run(const std::function<std::function<void()>()> &work);

    std::unique_ptr<QThread> m_thread;
    std::atomic_bool m_stop = false;
    int m_generation = 0; // a stopped join's late outcome is not reported
    // Set by the join's thread as it ends, so that it holds even when the outcome is not reported.
    std::atomic<qint64> m_joined = 0;
    qint64 m_tried = 0;
    bool m_busy = false;
    bool m_finishing = false;
};
