#include "FuzzCheck.h"

#include "probe/HttpVerdict.h"
#include "store/FileNames.h"
#include "wire/HttpAnswer.h"
#include "wire/PackAnswer.h"

#include <algorithm>

namespace {

constexpr qint64 FileSize = 1000000;
constexpr qint64 PackSize = 512000;

// Feeds bytes in reads of `chunk` bytes until the header is complete, as a slot reads them;
// returns how many bytes the header took.
qsizetype readInto(HttpAnswer &answer, const QByteArray &bytes, qsizetype chunk)
{
    qsizetype taken = 0;
    for (qsizetype at = 0; at < bytes.size() && answer.state() == HttpAnswer::State::Incomplete;
         at += chunk)
        taken += answer.append(QByteArrayView(bytes).sliced(at, qMin(chunk, bytes.size() - at)));
    return taken;
}

bool readAlike(const HttpAnswer &a, const HttpAnswer &b)
{
    return a.state() == b.state() && a.statusCode() == b.statusCode() &&
           a.contentLength() == b.contentLength() && a.contentRange() == b.contentRange() &&
           a.validators() == b.validators() && a.keepsConnection() == b.keepsConnection() &&
           a.isCoded() == b.isCoded() && a.digest() == b.digest();
}

// A pack answer that is taken has a body that is not empty and, from a 206, the range asked
// for within the file.
void checkPackAnswer(const HttpAnswer &answer, qint64 first)
{
    if (!PackAnswer::accepts(answer, first, FileSize))
        return;
    FUZZ_CHECK(answer.contentLength().value_or(-1) >= 0);
    if (answer.statusCode() == 200) {
        FUZZ_CHECK(first == 0 && answer.contentLength() == FileSize);
        return;
    }
    const std::optional<ContentRange> range = answer.contentRange();
    FUZZ_CHECK(range && range->first == first && range->total.value_or(FileSize) == FileSize);
    FUZZ_CHECK(answer.contentLength() > 0);
}

// The name a server gives stays in its folder: no separator, no control character, safe and
// fitted to the byte limit.
void checkFileName(const HttpAnswer &answer)
{
    const std::optional<QString> name = answer.fileName();
    if (!name)
        return;
    FUZZ_CHECK(!name->isEmpty() && !name->contains(u'/') && !name->contains(u'\\'));
    FUZZ_CHECK(std::none_of(name->cbegin(), name->cend(),
                            [](QChar c) { return c.category() == QChar::Other_Control; }));
    FUZZ_CHECK(FileNames::isSafe(*name) && name->toUtf8().size() <= FileNames::MaxNameBytes);
}

} // namespace

// An HTTP answer, as the probe and the slots read it (the first input byte picks the byte a
// pack asks from and the size of the reads): cut into reads of any size, it reads as in one
// read; its header ends with its blank line; what the probe takes for a file has a size, a
// taken pack answer a length that is not negative and a range inside the file, a digest stated
// the length of its algorithm, and the file name of its Content-Disposition never leaves its
// folder.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qint64 first = (data[0] & 1) ? 100 : 0;
    const qsizetype chunk = 1 + (data[0] >> 1);
    const QByteArray bytes = fuzzBytes(data + 1, size - 1);

    HttpAnswer whole;
    const qsizetype taken = readInto(whole, bytes, qMax<qsizetype>(bytes.size(), 1));
    HttpAnswer cut;
    FUZZ_CHECK(readInto(cut, bytes, chunk) == taken && readAlike(cut, whole));
    FUZZ_CHECK(taken <= bytes.size());
    if (whole.state() != HttpAnswer::State::Complete)
        return 0;
    FUZZ_CHECK(bytes.first(taken).endsWith("\r\n\r\n"));

    checkPackAnswer(whole, first);
    checkFileName(whole);
    if (const std::optional<Checksum> digest = whole.digest())
        FUZZ_CHECK(digest->bytes.size() == Checksum::length(digest->algorithm));
    const HttpVerdict verdict = judgeHttpAnswer(whole, PackSize);
    if (verdict.kind == HttpVerdict::Kind::File)
        FUZZ_CHECK(verdict.size >= 0 && (verdict.rangeSupported || verdict.size <= PackSize));
    return 0;
}
