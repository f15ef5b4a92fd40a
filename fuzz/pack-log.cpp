#include "FuzzCheck.h"

#include "store/PackLog.h"

#include <algorithm>

// "download.qfd": no more entries than complete lines, no negative pack number, and the lines
// the program would write for the entries read give the same entries back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = fuzzBytes(data, size);
    const PackLog::Entries entries = PackLog::parseText(text);
    FUZZ_CHECK(entries.complete.size() + entries.partial.size() <= text.count("\r\n"));
    QByteArray written;
    for (const auto &[numbers, state] :
         {std::pair(entries.complete, ":1"), std::pair(entries.partial, ":0")}) {
        FUZZ_CHECK(std::all_of(numbers.cbegin(), numbers.cend(), [](qint64 n) { return n >= 0; }));
        for (qint64 pack : numbers)
            written += "/r (1)/a(" + QByteArray::number(pack) + ").qfd" + state + "\r\n";
    }
    const PackLog::Entries again = PackLog::parseText(written);
    FUZZ_CHECK(again.complete == entries.complete && again.partial == entries.partial);
    return 0;
}
