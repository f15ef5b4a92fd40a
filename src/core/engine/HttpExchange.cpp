#include "engine/HttpExchange.h"

#include <QList>

#include <optional>

namespace HttpExchange {
namespace {

struct Fields
{
    int status = 0;
    bool http11 = false;
    bool hasType = false;
    QByteArray connection;
    bool encoded = false; // a transfer coding other than identity (chunked, ...)
    std::optional<qint64> length;
    std::optional<QByteArray> range;
    ServerValidators validators;
};

std::optional<qint64> number(QByteArrayView text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

std::optional<int> statusOf(const QList<QByteArray> &statusParts)
{
    if (statusParts.size() < 2 || !statusParts.at(0).startsWith("HTTP/"))
        return std::nullopt;
    bool ok = false;
    const int status = statusParts.at(1).toInt(&ok);
    return ok ? std::optional<int>(status) : std::nullopt;
}

std::optional<Fields> parse(const QByteArray &header)
{
    const QList<QByteArray> lines = header.split('\n');
    const QList<QByteArray> statusParts = lines.value(0).trimmed().split(' ');
    const std::optional<int> status = statusOf(statusParts);
    if (!status)
        return std::nullopt;
    Fields fields;
    fields.status = *status;
    fields.http11 = statusParts.at(0) != "HTTP/1.0";
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-type")
            fields.hasType = true;
        else if (name == "content-length")
            fields.length = number(value);
        else if (name == "content-range")
            fields.range = value;
        else if (name == "connection")
            fields.connection = value.toLower();
        else if (name == "etag")
            fields.validators.etag = value;
        else if (name == "last-modified")
            fields.validators.modified = value;
        else if (name == "transfer-encoding")
            fields.encoded = fields.encoded || value.toLower() != "identity";
    }
    return fields;
}

// The total of "bytes <first>-<last>/<total>"; nullopt when it is "*" or unreadable.
std::optional<qint64> totalOf(const QByteArray &range)
{
    const qsizetype slash = range.indexOf('/');
    return slash < 0 ? std::nullopt : number(QByteArrayView(range).sliced(slash + 1));
}

// How "bytes <first>-<last>/<total>" fits the range asked for: nullopt when the first byte
// matches and a stated total is the file size.
std::optional<ServerRefusal::Kind> rangeMismatch(const QByteArray &range, qint64 first,
                                                 qint64 fileSize)
{
    if (!range.toLower().startsWith("bytes "))
        return ServerRefusal::Kind::Unusable;
    const QByteArray bounds = range.mid(6).trimmed();
    const qsizetype dash = bounds.indexOf('-');
    const qsizetype slash = bounds.indexOf('/');
    if (dash <= 0 || slash <= dash)
        return ServerRefusal::Kind::Unusable;
    if (number(QByteArrayView(bounds).first(dash)) != first)
        return ServerRefusal::Kind::WrongStart;
    const QByteArray total = bounds.mid(slash + 1).trimmed();
    if (total != "*" && number(total) != fileSize)
        return ServerRefusal::Kind::WrongTotal;
    return std::nullopt;
}

// The mismatch of a 200 or 206 answer's framing with the range asked for; nullopt when it fits.
std::optional<ServerRefusal::Kind> framingMismatch(const Fields &fields, qint64 first,
                                                   qint64 fileSize)
{
    if (fields.status == 200 && first > 0)
        return ServerRefusal::Kind::RangeIgnored;
    if (fields.status == 200 && fields.length && *fields.length != fileSize)
        return ServerRefusal::Kind::WrongTotal;
    if (fields.status == 206) {
        if (!fields.range)
            return ServerRefusal::Kind::Unusable;
        if (const auto mismatch = rangeMismatch(*fields.range, first, fileSize))
            return mismatch;
        if (fields.length == 0) // every range asked for holds a byte
            return ServerRefusal::Kind::NoData;
    }
    // A coded body is not the file's bytes (and its length is not Content-Length): never stored.
    if (!fields.hasType || !fields.length || fields.encoded)
        return ServerRefusal::Kind::Unusable;
    return std::nullopt;
}

} // namespace

ServerValidators validatorsOf(const QByteArray &header)
{
    const std::optional<Fields> fields = parse(header);
    return fields ? fields->validators : ServerValidators();
}

std::optional<Change> changeShown(const QByteArray &header, qint64 fileSize,
                                  const ServerValidators &known)
{
    const std::optional<Fields> fields = parse(header);
    if (!fields || (fields->status != 200 && fields->status != 206))
        return std::nullopt;
    std::optional<qint64> size;
    if (fields->status == 206 && fields->range)
        size = totalOf(*fields->range);
    else if (fields->status == 200)
        size = fields->length;
    const ServerValidators &stated = fields->validators;
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

bool isInterim(const QByteArray &header)
{
    const std::optional<Fields> fields = parse(header);
    return fields && fields->status >= 100 && fields->status < 200;
}

bool accepts(const QByteArray &header, qint64 first, qint64 fileSize)
{
    const std::optional<Fields> fields = parse(header);
    return fields && (fields->status == 200 || fields->status == 206) &&
           !framingMismatch(*fields, first, fileSize);
}

std::optional<ServerRefusal> refusalOf(const QByteArray &header, qint64 first, qint64 fileSize)
{
    const std::optional<Fields> fields = parse(header);
    if (!fields)
        return ServerRefusal{};
    if (fields->status >= 500 && fields->status < 600)
        return std::nullopt;
    if (fields->status != 200 && fields->status != 206)
        return ServerRefusal{ServerRefusal::Kind::Status, fields->status};
    return ServerRefusal{
        framingMismatch(*fields, first, fileSize).value_or(ServerRefusal::Kind::Unusable),
        fields->status};
}

qint64 bodyLength(const QByteArray &header)
{
    const std::optional<Fields> fields = parse(header);
    return fields && fields->length ? *fields->length : 0;
}

bool keepsConnection(const QByteArray &header)
{
    const std::optional<Fields> fields = parse(header);
    if (!fields)
        return false;
    return fields->http11 ? !fields->connection.contains("close")
                          : fields->connection.contains("keep-alive");
}

qsizetype headerEnd(const QByteArray &data, qsizetype from)
{
    return data.indexOf(Terminator, qMax<qsizetype>(0, from));
}

} // namespace HttpExchange
