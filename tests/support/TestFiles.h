#pragma once

#include <QByteArray>
#include <QString>

// Test data helpers: reproducible random file contents, writing them, SHA-256 digests used to
// compare a downloaded file with its source, and the password files of the servers. Digests are raw
// bytes (use .toHex() to print).
namespace TestFiles {

// size bytes from a generator seeded with seed: the same seed always gives the same bytes.
QByteArray randomBytes(qint64 size, quint32 seed);

// The whole file; empty when it cannot be read.
QByteArray readFile(const QString &path);

// Writes bytes to path, creating missing parent folders; false when any step fails.
bool writeFile(const QString &path, const QByteArray &bytes);

// Digest of a file read in chunks; empty when the file cannot be opened.
QByteArray sha256OfFile(const QString &path);

QByteArray sha256(const QByteArray &bytes);

// "user:HASH\n", a line of a password file that nginx and squid read, the password hashed by
// openssl (apr1); empty when openssl fails.
QByteArray passwordLine(const QString &user, const QString &password);

} // namespace TestFiles
