#include "engine/Download.h"

#include "engine/FileMoves.h"
#include "engine/PackSlot.h"
#include "engine/ResumePlan.h"
#include "store/ProjectPaths.h"

#include <QtMath>

#include <algorithm>

Download::Download(const Setup &setup, const SlotFactory &makeSlot, QObject *parent)
    : QObject(parent), m_plan(setup.fileSize, setup.packSize), m_queue(m_plan),
      m_log(setup.packLogPath), m_pieces(setup.receiveFolder, setup.baseName),
      m_workPath(ProjectPaths::finalWorkPath(setup.receiveFolder)), m_refusals(setup.refusalMs),
      m_saved(qBound(1, setup.slotCount, MaxSlots), 0)
{
    for (int slot = 1; slot <= m_saved.size(); ++slot) {
        PackSlot *packSlot = makeSlot(slot, this);
        connect(packSlot, &PackSlot::statusChanged, this, &Download::slotStateChanged);
        connect(packSlot, &PackSlot::received, this, &Download::onReceived);
        connect(packSlot, &PackSlot::packComplete, this, &Download::onPackComplete);
        connect(packSlot, &PackSlot::readyForNext, this, &Download::onReadyForNext);
        connect(packSlot, &PackSlot::pieceRestarted, this,
                [this](qint64 lost) { m_received -= lost; });
        connect(packSlot, &PackSlot::writeFailed, this,
                [this](int, const QString &path, int error) { emit writeFailed(path, error); });
        connect(packSlot, &PackSlot::refused, this, &Download::onRefused);
        connect(packSlot, &PackSlot::nothingReceived, this, &Download::onNothingReceived);
        connect(packSlot, &PackSlot::serverBusy, this,
                [this](int, int waitMs) { emit serverBusy(waitMs); });
        connect(packSlot, &PackSlot::connectionLost, this, &Download::connectionLost);
        connect(packSlot, &PackSlot::connectionFailed, this, &Download::connectionFailed);
        connect(packSlot, &PackSlot::certificateRefused, this,
                [this](int, const QString &text) { emit certificateRefused(text); });
        connect(packSlot, &PackSlot::proxyRefused, this,
                [this](int, const QString &text) { emit proxyRefused(text); });
        connect(packSlot, &PackSlot::fileChanged, this,
                [this](int, qint64 size, const ServerValidators &validators) {
                    emit fileChanged(size, validators);
                });
        m_slots.append(packSlot);
    }
}

void Download::start()
{
    for (int slot = 1; slot <= slotCount() && !m_paused; ++slot)
        Paquet_Suivant(slot);
    if (isComplete())
        emit allPacksIn();
}

// The ":1" lines of whole pieces are written before the ":0" lines go, so that a crash in
// between never leaves a received pack unlogged.
void Download::planResume()
{
    const std::optional<FileIdentity> work = FileMoves::identity(m_workPath);
    const ResumePlan resume(
        m_plan, m_log.parse(), [this](qint64 pack) { return m_pieces.length(pack); },
        work ? work->bytes : 0);
    for (const qint64 pack : resume.foundWhole())
        logComplete(pack);
    m_log.removePartials();
    m_pieces.removeAllBut(resume.logged());
    QList<qint64> begun;
    for (const ResumePlan::Begun &pack : resume.begun()) {
        begun.append(pack.number);
        m_carried.insert(pack.number, pack.have);
    }
    m_queue = PackQueue(m_plan, begun, resume.complete());
    m_completeAhead = resume.complete();
    extendRun(-1);
    m_completed = resume.completeBytes();
    m_received = resume.receivedBytes();
    m_joinedBefore = resume.joined();
}

void Download::pause()
{
    if (m_paused)
        return;
    m_paused = true;
    m_refusals.clear();
    QStringList begun;
    for (int index = 0; index < slotCount(); ++index) {
        PackSlot *slot = m_slots.at(index);
        slot->halt();
        while (const std::optional<PackSlot::Carried> queued = slot->unqueue()) {
            m_queue.giveBack(queued->pack);
            if (queued->have > 0)
                m_carried.insert(queued->pack.number, queued->have);
        }
        emit slotStateChanged(slot->number(), SlotState::Paused, 0);
        if (!slot->holdsPack())
            continue;
        m_saved[index] =
            qMin(m_pieces.length(slot->pack().number).value_or(0), slot->pack().length);
        begun.append(slot->piecePath());
    }
    QList<qint64> waiting = m_carried.keys();
    std::sort(waiting.begin(), waiting.end());
    for (const qint64 pack : waiting)
        begun.append(m_pieces.path(pack));
    m_log.logPartials(begun);
}

void Download::resume()
{
    if (!m_paused)
        return;
    m_paused = false;
    m_refusals.clear();
    m_log.removePartials();
    for (int index = 0; index < slotCount(); ++index) {
        // A slot that cannot continue (its piece cannot be written) pauses everything again.
        if (m_paused)
            return;
        PackSlot *slot = m_slots.at(index);
        if (!slot->holdsPack()) {
            Paquet_Suivant(slot->number());
            continue;
        }
        const Pack pack = slot->pack();
        const QString piece = slot->piecePath();
        slot->fetch(pack, piece, m_saved.at(index));
    }
}

void Download::halt()
{
    m_paused = true;
    for (PackSlot *slot : m_slots)
        slot->halt();
}

// The run ends before the first of them; the complete packs after it wait past the run.
void Download::refetch(const QList<Pack> &packs)
{
    QStringList pieces;
    for (auto pack = packs.crbegin(); pack != packs.crend(); ++pack) {
        pieces.append(m_pieces.path(pack->number));
        while (m_run > pack->number)
            m_completeAhead.insert(--m_run);
        m_completeAhead.remove(pack->number);
        m_completed -= pack->length;
        m_received -= pack->length;
        m_queue.giveBack(*pack);
    }
    m_log.forget(pieces);
    for (PackSlot *slot : m_slots) {
        if (!m_paused && !slot->holdsPack())
            Paquet_Suivant(slot->number());
    }
}

bool Download::isComplete() const
{
    return m_completed == m_plan.fileSize() && m_queue.isEmpty() &&
           std::none_of(m_slots.cbegin(), m_slots.cend(),
                        [](const PackSlot *slot) { return slot->holdsPack(); });
}

int Download::slotPercent(int slot) const
{
    if (slot < 1 || slot > slotCount())
        return 0;
    const PackSlot &packSlot = slotAt(slot);
    if (!packSlot.holdsPack() || packSlot.pack().length < 1)
        return 0;
    return qRound(double(packSlot.have()) * 100.0 / double(packSlot.pack().length));
}

void Download::Paquet_Suivant(int slot)
{
    emit slotStateChanged(slot, SlotState::Initialising, 0);
    const std::optional<Pack> pack = m_queue.next();
    if (!pack) {
        emit slotStateChanged(slot, SlotState::Idle, 0);
        setPacksToGo(std::nullopt);
        return;
    }
    setPacksToGo(m_queue.left());
    slotAt(slot).fetch(*pack, m_pieces.path(pack->number), m_carried.take(pack->number));
}

void Download::onPackComplete(int slot, qint64 pack)
{
    m_completed += m_plan.length(pack);
    logComplete(pack);
    extendRun(pack);
    if (!m_paused && !slotAt(slot).holdsPack())
        Paquet_Suivant(slot);
    if (isComplete())
        emit allPacksIn();
}

void Download::onReadyForNext(int slot)
{
    if (m_paused)
        return;
    const std::optional<Pack> pack = m_queue.next();
    if (!pack)
        return;
    setPacksToGo(m_queue.left());
    slotAt(slot).queue(*pack, m_pieces.path(pack->number), m_carried.take(pack->number));
}

// Counts a complete pack (-1: none, only what is known already) into the leading run.
void Download::extendRun(qint64 pack)
{
    if (pack >= 0)
        m_completeAhead.insert(pack);
    while (m_completeAhead.remove(m_run))
        ++m_run;
}

void Download::onReceived(qint64 bytes)
{
    m_refusals.clear();
    m_received += bytes;
    emit bytesReceived(bytes);
}

void Download::onRefused(int slot, const ServerRefusal &refusal)
{
    if (!m_paused && m_refusals.isHopeless(slot, refusal))
        emit refusedForGood(refusal);
}

// An answer without data counts as a refusal of its own kind.
void Download::onNothingReceived(int slot, int waitMs)
{
    emit waitingForData(waitMs);
    onRefused(slot, ServerRefusal{ServerRefusal::Kind::NoData});
}

void Download::setPacksToGo(const std::optional<PackCount> &left)
{
    m_packsToGo = left;
    emit packsToGoChanged();
}

void Download::logComplete(qint64 pack)
{
    if (!m_log.appendComplete(m_pieces.path(pack)))
        emit writeFailed(m_log.path(), m_log.error());
}
