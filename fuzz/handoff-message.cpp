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

// The hand-off message: what is accepted came in a message within the size limit, its URL is not
// blank and neither it nor a header holds a control character, and the message composed for it
// reads back the same. The input read as a URL goes the other way: composed and read, it is the
// URL alone or refused, unless a line break in it starts a header (HandoffMessage::carries then
// keeps it from being handed over).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray message = fuzzBytes(data, size);
    if (const auto handedOver = HandoffMessage::read(message)) {
        const BrowserHeaders &browser = handedOver->browser;
        FUZZ_CHECK(message.size() <= HandoffMessage::MaxBytes);
        FUZZ_CHECK(!handedOver->url.trimmed().isEmpty());
        for (const QString &text :
             {handedOver->url, browser.cookie, browser.referer, browser.userAgent})
            FUZZ_CHECK(!hasControl(text));
        FUZZ_CHECK(HandoffMessage::carries(*handedOver));
    }
    const QString url = QString::fromUtf8(message);
    const auto back = HandoffMessage::read(HandoffMessage::compose(url));
    FUZZ_CHECK(!back || *back == HandedOver(url) || url.contains(u'\n'));
    FUZZ_CHECK(HandoffMessage::carries(url) == (back == HandedOver(url)));
    return 0;
}
