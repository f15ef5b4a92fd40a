#include "FuzzCheck.h"

#include "wire/HandoffMessage.h"

#include <algorithm>

namespace {

bool hasControl(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

// The hand-off message: an accepted URL came in a message within the size limit, holds no
// control character and is not blank, and the message composed for it reads back the same.
// The input read as a URL goes the other way: composed and read, it is the URL or refused.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray message = fuzzBytes(data, size);
    if (const auto url = HandoffMessage::urlOf(message)) {
        FUZZ_CHECK(message.size() <= HandoffMessage::MaxBytes);
        FUZZ_CHECK(!hasControl(*url) && !url->trimmed().isEmpty());
        FUZZ_CHECK(HandoffMessage::urlOf(HandoffMessage::compose(*url)) == url);
    }
    const QString url = QString::fromUtf8(message);
    const auto back = HandoffMessage::urlOf(HandoffMessage::compose(url));
    FUZZ_CHECK(!back || back == url);
    return 0;
}
