#include "engine/HttpExchange.h"

#include "probe/RequestTexts.h"

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
    std::optional<qint64> length;
    std::optional<QByteArray> range;
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
    }
    return fields;
}

// "bytes <first>-<last>/<total>": the first byte matches and a stated total is the file size.
bool rangeMatches(const QByteArray &range, qint64 first, qint64 fileSize)
{
    if (!range.toLower().startsWith("bytes "))
        return false;
    const QByteArray bounds = range.mid(6).trimmed();
    const qsizetype dash = bounds.indexOf('-');
    const qsizetype slash = bounds.indexOf('/');
    if (dash <= 0 || slash <= dash)
        return false;
    if (number(QByteArrayView(bounds).first(dash)) != first)
        return false;
    const QByteArray total = bounds.mid(slash + 1).trimmed();
    return total == "*" || number(total) == fileSize;
}

} // namespace

QByteArray requestText(const QString &host, const QString &path, qint64 first, qint64 last)
{
    return httpRequestText(host, path, QByteArray::number(first) + '-' + QByteArray::number(last));
}

bool accepts(const QByteArray &header, qint64 first, qint64 fileSize)
{
    const std::optional<Fields> fields = parse(header);
    if (!fields || !fields->hasType || !fields->length)
        return false;
    if (fields->status == 206)
        return fields->range && rangeMatches(*fields->range, first, fileSize);
    if (fields->status == 200)
        return first == 0 && *fields->length == fileSize;
    return false;
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
