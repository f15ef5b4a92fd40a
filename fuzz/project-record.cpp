#include "FuzzCheck.h"

#include "store/ProjectRecord.h"

// "project.qfd": a record read has a size of 0 or more and a known status; written again it
// reads back the same; a new status changes the status and nothing else, in the text as read
// and in the text as written.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = fuzzBytes(data, size);
    const auto record = ProjectRecord::parse(text);
    if (!record)
        return 0;
    FUZZ_CHECK(record->bytes >= 0);
    FUZZ_CHECK(record->status >= ProjectRecord::Running &&
               record->status <= ProjectRecord::Finished);
    FUZZ_CHECK(ProjectRecord::parse(record->toText()) == record);
    for (int status : {ProjectRecord::Running, ProjectRecord::Waiting, ProjectRecord::Finished}) {
        ProjectRecord changed = *record;
        changed.status = status;
        FUZZ_CHECK(ProjectRecord::parse(ProjectRecord::withStatus(text, status)) == changed);
        FUZZ_CHECK(ProjectRecord::withStatus(record->toText(), status) == changed.toText());
    }
    return 0;
}
