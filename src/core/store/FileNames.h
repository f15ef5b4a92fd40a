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

// The longest name, in bytes of UTF-8, that a file name taken from a URL may keep: what the
// program adds to it ("(<any pack number>).qfd", "(2_<k>).jpg", a project name's "_<seconds>_<n>"
// and a second one where the finished file's name is taken, the ".qfd" of a join in progress)
// still fits in the 255 bytes a file system allows.
inline constexpr qsizetype MaxNameBytes = 200;

// The safe name, shortened to MaxNameBytes when longer: the text after its last "." stays, the
// text before it is cut, never inside a character.
QString fitted(const QString &name);

// The text before the first ".", made safe; a name without "." is its own base name, and one
// that starts with "." has Fallback as base name.
QString baseName(const QString &fileName);

} // namespace FileNames
