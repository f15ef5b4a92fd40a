#pragma once

#include "engine/PackPlan.h"

#include <QFile>
#include <QString>

// The pack a slot holds and its piece file, kept open while the pack arrives. Only the pack's
// own bytes are written, whatever a server sends beyond them.
class PackPiece final
{
public:
    // Takes a pack whose piece already holds its first `have` bytes (0: a fresh pack).
    void take(const Pack &pack, const QString &path, qint64 have);
    // Closes the piece and forgets the pack.
    void forget();

    // Opens the piece after the bytes it holds: a fresh pack starts it anew; a continued one
    // keeps exactly its bytes, and never more than the file really holds (a piece shortened
    // behind our back is continued from its real length, not padded).
    bool open();
    bool isOpen() const { return m_file.isOpen(); }
    void close() { m_file.close(); }

    // Empties the open piece: the pack is written again from its first byte.
    bool restart();
    // Writes what belongs to the pack: the number of bytes taken, or -1 when the write failed.
    qint64 write(const char *data, qint64 size);
    // Why the last open, restart or write failed: the system's error number (0: unknown).
    int error() const { return m_error; }
    bool isComplete() const { return m_have >= m_pack.length; }

    bool holds() const { return m_holds; }
    const Pack &pack() const { return m_pack; }
    qint64 have() const { return m_have; }
    // The first byte of the file still missing from the piece.
    qint64 nextOffset() const { return m_pack.start + m_have; }
    QString path() const { return m_file.fileName(); }

private:
    bool noted(bool done);

    QFile m_file;
    Pack m_pack;
    qint64 m_have = 0;
    bool m_holds = false;
    int m_error = 0;
};
