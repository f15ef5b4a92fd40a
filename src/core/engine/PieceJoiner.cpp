#include "engine/PieceJoiner.h"

PieceJoiner::PieceJoiner(QObject *parent) : QObject(parent) {}

PieceJoiner::~PieceJoiner()
{
    stop();
}

void PieceJoiner::begin(qint64 joined)
{
    stop();
    m_joined = joined;
    m_tried = joined;
}

void PieceJoiner::prejoin(const Assembler &assembler, qint64 run)
{
    const qint64 from = m_joined;
    m_tried = run;
    m_finishing = false;
    this->run([this, assembler, from, run] {
        const Assembler::Outcome outcome = assembler.appendPieces(from, run, m_stop);
        m_joined = outcome.joined;
        return [this, outcome] { emit prejoined(outcome); };
    });
}

void PieceJoiner::start(const Assembler &assembler, const JoinedFile &file)
{
    const qint64 joined = m_joined;
    m_finishing = true;
    run([this, assembler, file, joined] {
        const Assembler::Outcome outcome = assembler.join(file, joined, m_stop);
        m_joined = outcome.joined;
        return [this, outcome] { emit finished(outcome); };
    });
}

// The work runs in a new thread; what it returns runs back on this object's thread, unless the
// join was stopped meanwhile.
void PieceJoiner::run(const std::function<std::function<void()>()> &work)
{
    if (m_thread)
        m_thread->wait(); // it has reported already
    m_busy = true;
    m_stop = false;
    const int generation = m_generation;
    m_thread.reset(QThread::create([this, work, generation] {
        const std::function<void()> report = work();
        QMetaObject::invokeMethod(
            this,
            [this, report, generation] {
                if (generation != m_generation)
                    return;
                m_busy = false;
                report();
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
