#include "wire/PackAnswer.h"

#include "wire/HttpAnswer.h"

namespace PackAnswer {
namespace {

constexpr int Ok = 200;
constexpr int PartialContent = 206;

bool isFileAnswer(int status)
{
    return status == Ok || status == PartialContent;
}

// How the Content-Range fits the range asked for: nullopt when it starts at the byte asked for
// and a stated total is the file size.
std::optional<ServerRefusal::Kind> rangeMismatch(const HttpAnswer &answer, qint64 first,
                                                 qint64 fileSize)
{
    const std::optional<ContentRange> range = answer.contentRange();
    if (!range)
        return ServerRefusal::Kind::Unusable;
    if (range->first != first)
        return ServerRefusal::Kind::WrongStart;
    if (range->total && *range->total != fileSize)
        return ServerRefusal::Kind::WrongTotal;
    return std::nullopt;
}

// The mismatch of a 200 or 206 answer's framing with the range asked for; nullopt when it fits.
std::optional<ServerRefusal::Kind> framingMismatch(const HttpAnswer &answer, int status,
                                                   qint64 first, qint64 fileSize)
{
    const std::optional<qint64> length = answer.contentLength();
    if (status == Ok && first > 0)
        return ServerRefusal::Kind::RangeIgnored;
    if (status == Ok && length && *length != fileSize)
        return ServerRefusal::Kind::WrongTotal;
    if (status == PartialContent) {
        if (const auto mismatch = rangeMismatch(answer, first, fileSize))
            return mismatch;
        if (length == 0) // every range asked for holds a byte
            return ServerRefusal::Kind::NoData;
    }
    // A coded body is not the file's bytes (and its length is not Content-Length): never stored.
    if (!answer.field("Content-Type") || !length || answer.isCoded())
        return ServerRefusal::Kind::Unusable;
    return std::nullopt;
}

} // namespace

std::optional<Change> changeShown(const HttpAnswer &answer, qint64 fileSize,
                                  const ServerValidators &known)
{
    const std::optional<int> status = answer.statusCode();
    if (!status || !isFileAnswer(*status))
        return std::nullopt;
    std::optional<qint64> size;
    if (*status == PartialContent) {
        if (const std::optional<ContentRange> range = answer.contentRange())
            size = range->total;
    } else {
        size = answer.contentLength();
    }
    const ServerValidators stated = answer.validators();
    const bool bothTagged = !known.etag.isEmpty() && !stated.etag.isEmpty();
    const bool otherVersion = bothTagged
                                  ? stated.etag != known.etag
                                  : !known.modified.isEmpty() && !stated.modified.isEmpty() &&
                                        stated.modified != known.modified;
    const bool otherSize = !known.isEmpty() && size && *size != fileSize;
    if (!otherVersion && !otherSize)
        return std::nullopt;
    return Change{size.value_or(fileSize), stated};
}

bool accepts(const HttpAnswer &answer, qint64 first, qint64 fileSize)
{
    const std::optional<int> status = answer.statusCode();
    return status && isFileAnswer(*status) && !framingMismatch(answer, *status, first, fileSize);
}

std::optional<ServerRefusal> refusalOf(const HttpAnswer &answer, qint64 first, qint64 fileSize)
{
    const std::optional<int> status = answer.statusCode();
    if (!status)
        return ServerRefusal{};
    if (*status >= 500 && *status < 600)
        return std::nullopt;
    if (!isFileAnswer(*status))
        return ServerRefusal{ServerRefusal::Kind::Status, *status};
    return ServerRefusal{
        framingMismatch(answer, *status, first, fileSize).value_or(ServerRefusal::Kind::Unusable),
        *status};
}

} // namespace PackAnswer
