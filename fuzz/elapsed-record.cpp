#include "FuzzCheck.h"

#include "store/ElapsedRecord.h"

#include <limits>

// "infos.qfd": a clock read has seconds and minutes from 0 to 59 and hours of 0 or more that
// can still count on; written again it reads back the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto clock = ElapsedClock::parse(fuzzBytes(data, size));
    if (!clock)
        return 0;
    FUZZ_CHECK(clock->seconds >= 0 && clock->seconds <= 59);
    FUZZ_CHECK(clock->minutes >= 0 && clock->minutes <= 59);
    FUZZ_CHECK(clock->hours >= 0 && clock->hours < std::numeric_limits<int>::max());
    FUZZ_CHECK(ElapsedClock::parse(clock->toText()) == clock);
    return 0;
}
