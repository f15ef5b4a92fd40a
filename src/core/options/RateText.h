#pragma once

#include <QString>

#include <optional>

// A speed as users write it for curl and wget: a number ("500", "1.5") and an optional unit k,
// M or G in either case, each 1024 times the one before ("500k" is 512 000 bytes per second, "2M"
// 2 097 152); a bare number counts in units of `unit` bytes per second. Bytes per second,
// rounded; nullopt for anything else, a negative number included.
std::optional<qint64> bytesPerSecond(const QString &text, qint64 unit);
