#pragma once

#include "store/ServerValidators.h"
#include "wire/ServerRefusal.h"

#include <optional>

class HttpAnswer;

// The check of the answer to a pack's ranged request, on its complete header, before a single
// byte of its body is stored.
namespace PackAnswer {

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
std::optional<Change> changeShown(const HttpAnswer &answer, qint64 fileSize,
                                  const ServerValidators &known);

// The answer serves a request whose range starts at first, for a file of fileSize bytes: a 206
// whose Content-Range starts at first and that brings at least one byte, or a 200 when first is
// 0; Content-Type and Content-Length present; a total size, when the server states one, equal
// to fileSize; no transfer coding (a chunked body is refused like any other unusable answer).
bool accepts(const HttpAnswer &answer, qint64 first, qint64 fileSize);

// What an answer that accepts() does not take refuses; nullopt for a server error (5xx), which
// may mend itself.
std::optional<ServerRefusal> refusalOf(const HttpAnswer &answer, qint64 first, qint64 fileSize);

} // namespace PackAnswer
