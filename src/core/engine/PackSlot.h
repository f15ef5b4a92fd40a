#pragma once

#include "engine/PackPlan.h"
#include "progress/RunProgress.h"
#include "store/ServerValidators.h"
#include "wire/ServerRefusal.h"

#include <QObject>
#include <QString>

#include <optional>

// One connection slot of a download, whatever its protocol: it fetches the pack it is given into
// the pack's piece file, continuing after the bytes the piece already holds, and says what
// happens. A download drives its slots through this interface only. Slots are numbered from 1.
class PackSlot : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PackSlot)

public:
    explicit PackSlot(int number, QObject *parent = nullptr) : QObject(parent), m_number(number) {}
    ~PackSlot() override = default;

    // Takes a pack whose piece already holds its first `have` bytes (0: a fresh pack, its piece
    // is started anew) and connects for the rest.
    virtual void fetch(const Pack &pack, const QString &piecePath, qint64 have) = 0;

    // A pack and the bytes its piece held when the slot took it.
    struct Carried
    {
        Pack pack;
        qint64 have = 0;
    };
    // The answer to readyForNext(): the pack to fetch after those the slot holds. A slot that
    // never asks never gets one.
    virtual void queue(const Pack &, const QString &, qint64) {}
    // Gives back the last pack queued (before a pause): nullopt when the slot holds none.
    virtual std::optional<Carried> unqueue() { return std::nullopt; }
    // Closes every connection and the piece, keeping the pack (pause, shutdown, error).
    virtual void halt() = 0;
    // Closes everything and forgets the pack.
    virtual void drop() = 0;

    virtual bool holdsPack() const = 0;
    virtual const Pack &pack() const = 0;
    virtual qint64 have() const = 0;
    virtual QString piecePath() const = 0;

    int number() const { return m_number; }

signals:
    // packLength: of the pack a Downloading slot receives.
    void statusChanged(int slot, SlotState state, qint64 packLength = 0);
    void received(qint64 bytes);
    // The slot's pack `pack` is whole in its piece. The slot may already hold its queued pack.
    void packComplete(int slot, qint64 pack);
    // The slot can send its next pack's request now: queue() hands it one, if any is left.
    void readyForNext(int slot);
    // The piece was emptied to be written again from its start: its `lost` bytes no longer count.
    void pieceRestarted(qint64 lost);
    // The piece could not be opened or written, for the system's error number systemError (0:
    // unknown); the slot has halted.
    void writeFailed(int slot, const QString &path, int systemError);
    // Host not found or the network is down: the slot has halted.
    void connectionLost(int slot);
    // Any other connection error (refused, timed out, ...): the slot has halted.
    void connectionFailed(int slot);
    // The server's certificate does not verify (text: the host and the reason): the slot has
    // halted.
    void certificateRefused(int slot, const QString &text);
    // The proxy cannot be reached, wants a login or refuses the connection (text names it and
    // says why): the slot has halted.
    void proxyRefused(int slot, const QString &text);
    // The server answered with an error of its own (5xx): the slot asks again after waitMs.
    void serverBusy(int slot, int waitMs);
    // The server refused the pack's request in a way retrying may not mend; the slot retries.
    void refused(int slot, const ServerRefusal &refusal);
    // The server's answer brought no byte of the file (the connection closed or fell silent
    // first, or the answer was empty): the slot asks again after waitMs.
    void nothingReceived(int slot, int waitMs);
    // The server's file is another version than the one being fetched: the slot has halted.
    void fileChanged(int slot, qint64 size, const ServerValidators &validators);

protected:
    // A proxy that cannot reach the server is met as a server that cannot be reached; one that
    // refuses for good (lasting) is told as the proxy's refusal. Either way the slot halts.
    void onProxyRefused(const QString &text, bool lasting)
    {
        halt();
        if (lasting)
            emit proxyRefused(number(), text);
        else
            emit connectionFailed(number());
    }

private:
    int m_number;
};
