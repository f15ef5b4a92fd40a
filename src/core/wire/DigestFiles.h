#pragma once

#include "store/Checksum.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// The files a server may keep beside a file to give its digest: "<file>.sha512" (and ".sha256",
// ".sha1", ".md5") for that file alone, and "SHA256SUMS", which lists the files of its folder.
// A line reads as coreutils writes it, "<hex>  <name>" or "<hex> *<name>", or as BSD tools do,
// "SHA256 (<name>) = <hex>"; a file of one digest may hold the hex alone.
namespace DigestFiles {

// Larger files are not read.
inline constexpr qsizetype MaxBytes = 1024 * 1024;

struct Sibling
{
    QString name; // beside the file, in the same folder
    Checksum::Algorithm algorithm;
    bool listsFolder = false; // names each file it gives a digest for
};

// The siblings of a file, in the order their digests are preferred: the strongest first, a
// file's own before a list.
QList<Sibling> siblingsOf(const QString &fileName);

// The digest a sibling's text gives the file: the line that names it, or in a file's own sibling
// that names no file, its only digest. nullopt when there is none or the text is over MaxBytes.
std::optional<Checksum> read(QByteArrayView text, const Sibling &sibling, const QString &fileName);

} // namespace DigestFiles
