#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <optional>

// Whole-file reads and atomic whole-file writes of the small ".qfd" text files.
namespace FileIo {

// The file's bytes, or nullopt when it does not exist or cannot be read.
std::optional<QByteArray> read(const QString &path);

// Replaces the file with exactly these bytes through QSaveFile: a crash leaves the old or the
// new file, never a torn one. With permissions, the new file has exactly those, set before any
// byte is written. Returns false when the file could not be written.
bool writeAtomically(const QString &path, const QByteArray &bytes,
                     std::optional<QFileDevice::Permissions> permissions = std::nullopt);

} // namespace FileIo
