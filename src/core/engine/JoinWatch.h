#pragma once

#include "engine/JoinFault.h"

#include <QFile>

#include <optional>

// What the join shows of the bytes it writes into the joined file: each byte once, in file order,
// so that a watcher can check the file without reading it again. Its calls come from the
// joiner's thread, one join at a time.
class JoinWatch
{
public:
    virtual ~JoinWatch() = default;

    // Before packs are appended at `length`: the joined file's first `length` bytes are the ones
    // seen so far (after a restart, or when the join starts again from the first pack, the
    // watcher reads what it has not seen from `joined`, open for reading).
    virtual bool joinedUpTo(QFile &joined, qint64 length) = 0;
    // The first `length` bytes of a pack's piece, open for reading, once they are appended (and
    // before the piece goes).
    virtual bool packJoined(QFile &piece, qint64 length) = 0;
    // Every byte is in: records whether the file is the one expected. A fault when that cannot
    // be recorded; the joined file then stays in the receive folder.
    virtual std::optional<JoinFault> conclude() = 0;
    // After conclude(): the file is not the one expected, and takes its name with ".corrupt".
    virtual bool isCorrupt() const = 0;
};
