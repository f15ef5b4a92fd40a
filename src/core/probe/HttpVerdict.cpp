#include "probe/HttpVerdict.h"

#include "wire/ByteCount.h"

namespace {

constexpr int Ok = 200;
constexpr int PartialContent = 206;
constexpr int NotFound = 404;
constexpr int Gone = 410;

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

HttpVerdict verdict(HttpVerdict::Kind kind)
{
    HttpVerdict result;
    result.kind = kind;
    return result;
}

// The total of "bytes 0-99/1000"; nullopt for an unknown ("*") or malformed total.
std::optional<qint64> contentRangeTotal(const QByteArray &value)
{
    const qsizetype slash = value.lastIndexOf('/');
    if (!value.startsWith("bytes ") || slash < 0)
        return std::nullopt;
    return parseByteCount(QByteArrayView(value).sliced(slash + 1));
}

std::optional<qint64> fileSize(const HttpAnswer &answer, int status)
{
    if (status == PartialContent) {
        if (const auto range = answer.field("Content-Range"))
            return contentRangeTotal(*range);
    }
    const auto length = answer.field("Content-Length");
    return length ? parseByteCount(*length) : std::nullopt;
}

bool isWebPage(const HttpAnswer &answer)
{
    const auto type = answer.field("Content-Type");
    return type && type->toLower().contains("text/html");
}

} // namespace

HttpVerdict judgeHttpAnswer(const HttpAnswer &answer, qint64 packSize)
{
    using Kind = HttpVerdict::Kind;
    const std::optional<int> status = answer.statusCode();
    if (!status)
        return verdict(Kind::Unusable);
    if (isRedirect(*status)) {
        const auto location = answer.field("Location");
        if (!location || location->isEmpty())
            return verdict(Kind::Unusable);
        HttpVerdict result = verdict(Kind::Redirect);
        result.location = *location;
        return result;
    }
    if (*status == NotFound || *status == Gone)
        return verdict(Kind::NotAFile);
    if (*status >= 400 && *status <= 599) {
        HttpVerdict result = verdict(Kind::ErrorStatus);
        result.status = *status;
        return result;
    }
    if (*status != Ok && *status != PartialContent)
        return verdict(Kind::Unusable);
    if (isWebPage(answer))
        return verdict(Kind::NotAFile);
    // The transfers refuse an answer without either field, so the probe must not accept one.
    if (!answer.field("Content-Type") || !answer.field("Content-Length"))
        return verdict(Kind::Unusable);
    // A 206 answer brings at least one byte of the range asked for.
    if (*status == PartialContent && parseByteCount(*answer.field("Content-Length")) == 0)
        return verdict(Kind::Unusable);
    const std::optional<qint64> size = fileSize(answer, *status);
    if (!size || (*status == Ok && *size > packSize))
        return verdict(Kind::Unusable);
    HttpVerdict result = verdict(Kind::File);
    result.size = *size;
    result.rangeSupported = *status == PartialContent;
    return result;
}
