#pragma once

#include <QString>

// Names taken from a URL or a server become names on disk only through these functions.
namespace FileNames {

// Used when nothing usable is left of a name.
inline constexpr auto Fallback = "download";

// Replaces "/", "\", control characters and the characters Windows or Linux file systems
// refuse (< > : " | ? *) by "_", strips trailing dots and spaces; an empty, "." or ".." result
// (or one made of dots only) becomes Fallback. Never returns a name that leaves its folder.
QString safe(const QString &name);

// True when the name is already safe (safe(name) == name): only such names may name a
// project folder.
bool isSafe(const QString &name);

// The text before the first ".", made safe; a name without "." is its own base name, and one
// that starts with "." has Fallback as base name.
QString baseName(const QString &fileName);

} // namespace FileNames
