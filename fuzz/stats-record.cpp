#include "FuzzCheck.h"

#include "store/StatsRecord.h"

// "stats.qfd": a record read, written again, reads back the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto record = StatsRecord::parse(fuzzBytes(data, size));
    if (record)
        FUZZ_CHECK(StatsRecord::parse(record->toText()) == record);
    return 0;
}
