#include "FuzzCheck.h"

#include "wire/DigestFiles.h"

// A digest file as a server may send it beside "f.iso" (the first input byte picks which): a
// digest read is of the file's algorithm, has its length and is written in the text; the same
// text typed as a checksum reads back from the checksum's own text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QString fileName = QStringLiteral("f.iso");
    const QList<DigestFiles::Sibling> siblings = DigestFiles::siblingsOf(fileName);
    const DigestFiles::Sibling &sibling = siblings.at(data[0] % siblings.size());
    const QByteArray text = fuzzBytes(data + 1, size - 1);
    if (const std::optional<Checksum> digest = DigestFiles::read(text, sibling, fileName)) {
        FUZZ_CHECK(text.size() <= DigestFiles::MaxBytes);
        FUZZ_CHECK(digest->algorithm == sibling.algorithm);
        FUZZ_CHECK(digest->bytes.size() == Checksum::length(sibling.algorithm));
        FUZZ_CHECK(text.toLower().contains(digest->hex().toLatin1()));
    }
    if (const std::optional<Checksum> typed = Checksum::parse(QString::fromLatin1(text)))
        FUZZ_CHECK(Checksum::parse(typed->text()) == typed);
    return 0;
}
