#include "FuzzCheck.h"

#include "store/ServerValidators.h"

// "server.qfd": validators read, written again, read back byte for byte the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ServerValidators validators = ServerValidators::parse(fuzzBytes(data, size));
    FUZZ_CHECK(ServerValidators::parse(validators.toText()) == validators);
    return 0;
}
