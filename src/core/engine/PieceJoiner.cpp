#include "engine/PieceJoiner.h"

PieceJoiner::PieceJoiner(QObject *parent) : QObject(parent) {}

PieceJoiner::~PieceJoiner()
{
    stop();
}

void PieceJoiner::start(const Assembler &assembler, const QString &finalPath)
{
    stop();
    m_busy = true;
    m_stop = false;
    const int generation = m_generation;
    m_thread.reset(QThread::create([this, assembler, finalPath, generation] {
        const Assembler::Outcome outcome = assembler.join(finalPath, m_stop);
        QMetaObject::invokeMethod(
            this,
            [this, outcome, generation] {
                if (generation != m_generation)
                    return;
                m_busy = false;
                emit finished(outcome);
            },
            Qt::QueuedConnection);
    }));
    m_thread->start();
}

void PieceJoiner::stop()
{
    ++m_generation;
    m_busy = false;
    if (!m_thread)
        return;
    m_stop = true;
    m_thread->wait();
    m_thread.reset();
}
