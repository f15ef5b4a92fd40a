#pragma once

#include <QByteArray>
#include <QString>

// Test data helpers: reproducible random file contents, writing them, and SHA-256 digests used
// to compare a downloaded file with its source. Digests are raw bytes (use .toHex() to print).
namespace TestFiles {

// size bytes from a generator seeded with seed: the same seed always gives the same bytes.
QByteArray randomBytes(qint64 size, quint32 seed);

// Writes bytes to path, creating missing parent folders; false when any step fails.
bool writeFile(const QString &path, const QByteArray &bytes);

// Digest of a file read in chunks; empty when the file cannot be opened.
QByteArray sha256OfFile(const QString &path);

QByteArray sha256(const QByteArray &bytes);

} // namespace TestFiles
