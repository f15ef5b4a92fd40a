#pragma once

#include "store/ServerValidators.h"
#include "wire/ServerRefusal.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The check of a pack answer's header before a single byte of its body is stored.
namespace HttpExchange {

// The validators an answer's header block states.
ServerValidators validatorsOf(const QByteArray &header);

// What a 200 or 206 answer shows when the file is no longer the one being fetched: its new
// size (the size stated, or fileSize when none is) and its validators.
struct Change
{
    qint64 size = 0;
    ServerValidators validators;
};
// A change is shown by a validator that differs from the known one (the ETag when both sides
// have one, else Last-Modified), or, when validators are known (the request carried If-Range),
// by a stated total size other than fileSize. An answer that states neither shows none.
std::optional<Change> changeShown(const QByteArray &header, qint64 fileSize,
                                  const ServerValidators &known);

// An interim answer (1xx: "100 Continue", "103 Early Hints"): the real answer follows it on the
// same connection.
bool isInterim(const QByteArray &header);

// The header block (status line and header lines, without the blank line) answers a request
// whose range starts at first, for a file of fileSize bytes: a 206 whose Content-Range starts
// at first and that brings at least one byte, or a 200 when first is 0; Content-Type and
// Content-Length present (names in any case); a total size, when the server states one, equal
// to fileSize; no transfer coding (a chunked body is refused like any other unusable answer).
bool accepts(const QByteArray &header, qint64 first, qint64 fileSize);

// What an answer that accepts() does not take refuses; nullopt for a server error (5xx), which
// may mend itself.
std::optional<ServerRefusal> refusalOf(const QByteArray &header, qint64 first, qint64 fileSize);

// The body length of an accepted answer (its Content-Length).
qint64 bodyLength(const QByteArray &header);

// The server keeps the connection for another request once the body has been sent: an HTTP/1.1
// answer without "Connection: close", or an HTTP/1.0 one with "Connection: keep-alive".
bool keepsConnection(const QByteArray &header);

// Where the header block ends: the offset of the blank line's CR LF CR LF in data, searching
// from `from`; -1 when it has not arrived yet.
qsizetype headerEnd(const QByteArray &data, qsizetype from = 0);

inline constexpr QByteArrayView Terminator = "\r\n\r\n";
inline constexpr qsizetype MaxHeaderBytes = 64 * 1024;

} // namespace HttpExchange
