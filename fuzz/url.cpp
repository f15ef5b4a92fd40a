#include "FuzzCheck.h"

#include "wire/Url.h"

#include <algorithm>

namespace {

bool isTargetByte(char c)
{
    return c > 0x20 && c < 0x7f;
}

bool isControlByte(char c)
{
    return uchar(c) < 0x20 || c == 0x7f;
}

} // namespace

// A URL as typed (UTF-8): it is read, or refused with a reason. One that names a server to
// connect to has a port, a request target without blanks or control characters (an FTP path and
// a login without control bytes), and the text its project keeps reads back as the same URL
// without its login.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const UrlReading reading = Extract_URL(QString::fromUtf8(fuzzBytes(data, size)));
    FUZZ_CHECK(reading.url.has_value() == reading.refusal.isEmpty());
    if (!reading.url || !reading.url->server)
        return 0;
    const Url &url = *reading.url;
    FUZZ_CHECK(url.server->port > 0 && !url.server->host.isEmpty());
    FUZZ_CHECK(url.isTls() == url.text.startsWith(QLatin1String("https://")));
    const QByteArray target = url.path.toUtf8();
    FUZZ_CHECK(target.startsWith('/'));
    FUZZ_CHECK(url.isFtp() ? std::none_of(target.cbegin(), target.cend(), isControlByte)
                           : std::all_of(target.cbegin(), target.cend(), isTargetByte));
    const QByteArray login = (url.login.user + url.login.password).toUtf8();
    FUZZ_CHECK(std::none_of(login.cbegin(), login.cend(), isControlByte));
    Url kept = url;
    kept.login = {};
    kept.authority = url.hostHeader;
    FUZZ_CHECK(Extract_URL(url.text, url.isFtp() ? Url::Scheme::Ftp : Url::Scheme::Http).url ==
               kept);
    return 0;
}
