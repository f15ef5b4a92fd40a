#pragma once

#include "store/JoinedRecord.h"

#include <QString>

#include <optional>

// Moving a finished file into place without ever replacing what is there, and making each step
// durable before the next one relies on it.
namespace FileMoves {

enum class Move
{
    Done,
    Taken, // something of that name exists: nothing was moved
    Failed
};

// Renames `from` to `to` in one step that fails when `to` exists (renameat2 with
// RENAME_NOREPLACE); where the file system does not offer it, a hard link then the removal of the
// old name.
Move renameNoReplace(const QString &from, const QString &to);

// fdatasync of a file: its bytes are on the disk.
bool syncData(const QString &path);
// fsync of a folder: the names it holds, after a rename, are on the disk.
bool syncFolder(const QString &folder);

// The identity of a regular file; nullopt for anything else (a link is not followed).
std::optional<FileIdentity> identity(const QString &path);

} // namespace FileMoves
