#include "FuzzCheck.h"

#include "store/ProjectAccess.h"

// "access.qfd": a record read within the size limit, written again, reads back the same; a
// longer one is none.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = fuzzBytes(data, size);
    const auto access = ProjectAccess::parse(text);
    FUZZ_CHECK(access.has_value() == (text.size() <= ProjectAccess::MaxBytes));
    if (access)
        FUZZ_CHECK(ProjectAccess::parse(access->toText()) == access);
    return 0;
}
