#include "FuzzCheck.h"

#include "store/Netrc.h"

// ~/.netrc: a text over the limit gives no login; the host is found whatever its letter case;
// an entry of the host put first gives its login, whatever follows it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = fuzzBytes(data, size);
    const auto found = Netrc::loginFor(text, QStringLiteral("h.test"));
    FUZZ_CHECK(text.size() <= Netrc::MaxBytes || !found);
    FUZZ_CHECK(Netrc::loginFor(text, QStringLiteral("H.Test")) == found);
    const QByteArray first = "machine h.test login \"a b\" password \"c\\\"d\" machine ";
    if (first.size() + text.size() <= Netrc::MaxBytes)
        FUZZ_CHECK(Netrc::loginFor(first + text, QStringLiteral("h.test")) ==
                   (Login{QStringLiteral("a b"), QStringLiteral("c\"d")}));
    return 0;
}
