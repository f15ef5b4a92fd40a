#include "probe/HttpVerdict.h"

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

// A 206 states the file's size as its range's total; nullopt for an unknown ("*") or malformed
// one.
std::optional<qint64> fileSize(const HttpAnswer &answer, int status)
{
    if (status == PartialContent && answer.field("Content-Range")) {
        const std::optional<ContentRange> range = answer.contentRange();
        return range ? range->total : std::nullopt;
    }
    return answer.contentLength();
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
    if (!answer.field("Content-Type") || !answer.contentLength())
        return verdict(Kind::Unusable);
    // A 206 answer brings at least one byte of the range asked for.
    if (*status == PartialContent && answer.contentLength() == 0)
        return verdict(Kind::Unusable);
    const std::optional<qint64> size = fileSize(answer, *status);
    if (!size || (*status == Ok && *size > packSize))
        return verdict(Kind::Unusable);
    HttpVerdict result = verdict(Kind::File);
    result.size = *size;
    result.rangeSupported = *status == PartialContent;
    return result;
}
