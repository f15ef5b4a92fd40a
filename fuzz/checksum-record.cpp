#include "FuzzCheck.h"

#include "store/ChecksumRecord.h"

// "checksum.qfd": a record read is no longer than the limit, its digests have their algorithm's
// length, and written again it reads back the same; a digest reads back from its own text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = fuzzBytes(data, size);
    const std::optional<ChecksumRecord> record = ChecksumRecord::parse(text);
    if (!record)
        return 0;
    FUZZ_CHECK(text.size() <= 1024);
    FUZZ_CHECK(record->expected.bytes.size() == Checksum::length(record->expected.algorithm));
    FUZZ_CHECK(!record->actual ||
               record->actual->bytes.size() == Checksum::length(record->actual->algorithm));
    FUZZ_CHECK(ChecksumRecord::parse(record->toText()) == record);
    FUZZ_CHECK(Checksum::parse(record->expected.text()) == record->expected);
    return 0;
}
