#pragma once

#include "engine/Assembler.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

// Joins the pieces of a complete download in a thread of its own, so that the event loop (the
// window, the tray) never waits for a large join. The outcome comes back on the owner's thread.
// The join itself stays crash-safe: the pieces go only once the finished file is in place.
class PieceJoiner final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PieceJoiner)

public:
    explicit PieceJoiner(QObject *parent = nullptr);
    ~PieceJoiner() override;

    void start(const Assembler &assembler, const QString &finalPath);
    // From start() until finished() or stop().
    bool isBusy() const { return m_busy; }
    // Stops a running join between two pieces and waits for its thread: the pieces stay and the
    // work file goes, so the next start joins again. finished() does not follow.
    void stop();

signals:
    void finished(const Assembler::Outcome &outcome);

private:
    std::unique_ptr<QThread> m_thread;
    std::atomic_bool m_stop = false;
    int m_generation = 0; // a stopped join's late outcome is not reported
    bool m_busy = false;
};
