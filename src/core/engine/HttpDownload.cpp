#include "engine/HttpDownload.h"

#include "store/ProjectPaths.h"

#include <QtMath>

#include <algorithm>

HttpDownload::HttpDownload(const Setup &setup, const HttpSlot::Timing &timing, QObject *parent)
    : QObject(parent), m_plan(setup.target.fileSize, setup.packSize), m_queue(m_plan),
      m_log(setup.packLogPath), m_receiveFolder(setup.receiveFolder), m_baseName(setup.baseName)
{
    for (int slot = 1; slot <= SlotCount; ++slot) {
        auto *httpSlot = new HttpSlot(slot, setup.target, timing, this);
        connect(httpSlot, &HttpSlot::statusChanged, this, &HttpDownload::slotStatusChanged);
        connect(httpSlot, &HttpSlot::received, this, &HttpDownload::onReceived);
        connect(httpSlot, &HttpSlot::packComplete, this, &HttpDownload::onPackComplete);
        connect(httpSlot, &HttpSlot::writeFailed, this,
                [this](int, const QString &path) { emit writeFailed(path); });
        connect(httpSlot, &HttpSlot::connectionLost, this, &HttpDownload::connectionLost);
        m_slots.at(slot - 1) = httpSlot;
    }
}

QString HttpDownload::piecePath(qint64 pack) const
{
    return ProjectPaths::piecePath(m_receiveFolder, m_baseName, pack);
}

void HttpDownload::start()
{
    for (int slot = 1; slot <= SlotCount && !m_paused; ++slot)
        dispatch(slot);
}

void HttpDownload::pause()
{
    m_paused = true;
    for (HttpSlot *slot : m_slots) {
        slot->halt();
        emit slotStatusChanged(slot->number(), QStringLiteral("Pause..."));
    }
}

void HttpDownload::resume()
{
    m_paused = false;
    for (HttpSlot *slot : m_slots) {
        if (m_paused)
            return;
        if (slot->holdsPack())
            slot->proceed();
        else
            dispatch(slot->number());
    }
}

void HttpDownload::halt()
{
    m_paused = true;
    for (HttpSlot *slot : m_slots)
        slot->halt();
}

void HttpDownload::refetch(const QList<Pack> &packs)
{
    for (auto pack = packs.crbegin(); pack != packs.crend(); ++pack) {
        m_log.forget(piecePath(pack->number));
        m_completed -= pack->length;
        m_received -= pack->length;
        m_queue.giveBack(*pack);
    }
    for (HttpSlot *slot : m_slots) {
        if (!m_paused && !slot->holdsPack())
            dispatch(slot->number());
    }
}

QStringList HttpDownload::heldPiecePaths() const
{
    QStringList paths;
    for (const HttpSlot *slot : m_slots) {
        if (slot->holdsPack())
            paths << slot->piecePath();
    }
    return paths;
}

bool HttpDownload::isComplete() const
{
    return m_completed == m_plan.fileSize() && m_queue.isEmpty() &&
           std::none_of(m_slots.cbegin(), m_slots.cend(),
                        [](const HttpSlot *slot) { return slot->holdsPack(); });
}

int HttpDownload::slotPercent(int slot) const
{
    const HttpSlot &httpSlot = slotAt(slot);
    if (!httpSlot.holdsPack() || httpSlot.pack().length < 1)
        return 0;
    return qRound(double(httpSlot.have()) * 100.0 / double(httpSlot.pack().length));
}

void HttpDownload::dispatch(int slot)
{
    emit slotStatusChanged(slot, QStringLiteral("Initialising"));
    const std::optional<Pack> pack = m_queue.next();
    if (!pack) {
        emit slotStatusChanged(slot, QStringLiteral("Nothing"));
        emit packsToGoTextChanged(QStringLiteral("Nothing"));
        return;
    }
    emit packsToGoTextChanged(m_queue.packsToGoText());
    slotAt(slot).fetch(*pack, piecePath(pack->number), 0);
}

void HttpDownload::onPackComplete(int slot)
{
    const Pack pack = slotAt(slot).pack();
    m_completed += pack.length;
    if (!m_log.appendComplete(piecePath(pack.number)))
        emit writeFailed(m_log.path());
    if (!m_paused)
        dispatch(slot);
    if (isComplete())
        emit allPacksIn();
}

void HttpDownload::onReceived(qint64 bytes)
{
    m_received += bytes;
    emit bytesReceived(bytes);
}
