#include "wire/HttpAnswer.h"

#include "wire/ByteCount.h"
#include "wire/ContentDisposition.h"

#include <algorithm>

namespace {

constexpr QByteArrayView HeaderEnd("\r\n\r\n");

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

QByteArrayView firstLine(QByteArrayView header)
{
    const qsizetype lineEnd = header.indexOf('\n');
    QByteArrayView line = lineEnd < 0 ? header : header.first(lineEnd);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// The code of a status line "HTTP/x.y NNN ..." (what follows its end is ignored).
std::optional<int> statusOf(QByteArrayView header)
{
    const QByteArrayView line = firstLine(header);
    const qsizetype space = line.indexOf(' ');
    if (!line.startsWith("HTTP/") || space < 0 || line.size() < space + 4)
        return std::nullopt;
    const QByteArrayView code = line.sliced(space + 1, 3);
    const bool ended = line.size() == space + 4 || line.at(space + 4) == ' ';
    if (!ended || !isDigit(code[0]) || !isDigit(code[1]) || !isDigit(code[2]))
        return std::nullopt;
    return code.toInt();
}

bool isInterim(int status)
{
    return status >= 100 && status <= 199;
}

// "bytes 0-99/1000", or "bytes 0-99/*" when the total is unknown.
std::optional<ContentRange> parseContentRange(QByteArrayView value)
{
    const qsizetype blank = value.indexOf(' ');
    const qsizetype dash = value.indexOf('-');
    const qsizetype slash = value.indexOf('/');
    if (blank < 0 || dash < blank || slash < dash ||
        value.first(blank).compare("bytes", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const std::optional<qint64> first = parseByteCount(value.sliced(blank + 1, dash - blank - 1));
    const std::optional<qint64> last = parseByteCount(value.sliced(dash + 1, slash - dash - 1));
    const QByteArrayView totalText = value.sliced(slash + 1).trimmed();
    const std::optional<qint64> total = parseByteCount(totalText);
    if (!first || !last || (!total && totalText != "*"))
        return std::nullopt;
    return ContentRange{*first, *last, total};
}

// Each member of a digest field, "<algorithm>=<value>" with its value as readValue gives it.
std::optional<Checksum> strongestIn(const QList<QByteArray> &lines,
                                    QByteArray (*readValue)(QByteArrayView))
{
    std::optional<Checksum> strongest;
    for (const QByteArray &line : lines) {
        for (const QByteArray &member : line.split(',')) {
            const qsizetype equals = member.indexOf('=');
            if (equals < 0)
                continue;
            const QByteArray name = member.first(equals).trimmed().toLower();
            const std::optional<Checksum::Algorithm> algorithm =
                name == "sha" ? Checksum::Algorithm::Sha1 : Checksum::named(name);
            const QByteArray bytes = readValue(QByteArrayView(member).sliced(equals + 1).trimmed());
            if (algorithm && bytes.size() == Checksum::length(*algorithm) &&
                (!strongest || *algorithm > strongest->algorithm))
                strongest = Checksum{*algorithm, bytes};
        }
    }
    return strongest;
}

QByteArray base64(QByteArrayView text)
{
    const auto decoded =
        QByteArray::fromBase64Encoding(text.toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

// A byte sequence of a structured field, ":<base64>:", with its parameters (";...") after it.
QByteArray byteSequence(QByteArrayView text)
{
    const qsizetype end = text.indexOf(':', 1);
    if (!text.startsWith(':') || end < 0)
        return {};
    return base64(text.sliced(1, end - 1));
}

} // namespace

qsizetype HttpAnswer::append(QByteArrayView chunk)
{
    if (m_state != State::Incomplete)
        return 0;
    const qsizetype held = m_received.size();
    // The blank line may straddle the previous read and this one.
    qsizetype searchFrom = qMax(qsizetype(0), held - (HeaderEnd.size() - 1));
    m_received.append(chunk);
    qsizetype passedOver = 0; // the bytes of interim answers taken out of m_received
    for (qsizetype end = m_received.indexOf(HeaderEnd, searchFrom);
         end >= 0 && end <= MaxHeaderBytes; end = m_received.indexOf(HeaderEnd, searchFrom)) {
        const qsizetype answerEnd = end + HeaderEnd.size();
        const std::optional<int> status = statusOf(QByteArrayView(m_received).first(end));
        if (!status || !isInterim(*status)) {
            split(end);
            return passedOver + answerEnd - held;
        }
        m_received.remove(0, answerEnd);
        passedOver += answerEnd;
        searchFrom = 0;
    }
    if (m_received.size() > MaxHeaderBytes)
        m_state = State::TooLarge;
    return chunk.size();
}

void HttpAnswer::clear()
{
    m_received.clear();
    m_lines.clear();
    m_state = State::Incomplete;
}

void HttpAnswer::split(qsizetype headerEnd)
{
    m_received.truncate(headerEnd);
    m_lines = m_received.split('\n');
    for (QByteArray &line : m_lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    m_state = State::Complete;
}

QList<QByteArray> HttpAnswer::values(QByteArrayView name) const
{
    QList<QByteArray> found;
    for (qsizetype i = 1; i < m_lines.size(); ++i) {
        const QByteArray &line = m_lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        if (QByteArrayView(line).first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            found.append(line.mid(colon + 1).trimmed());
    }
    return found;
}

std::optional<int> HttpAnswer::statusCode() const
{
    if (m_lines.isEmpty())
        return std::nullopt;
    return statusOf(m_lines.first());
}

std::optional<QByteArray> HttpAnswer::field(QByteArrayView name) const
{
    const QList<QByteArray> found = values(name);
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

// Two lengths that differ leave the body's end unknown: the answer cannot be framed.
std::optional<qint64> HttpAnswer::contentLength() const
{
    std::optional<qint64> length;
    for (const QByteArray &value : values("Content-Length")) {
        const std::optional<qint64> stated = parseByteCount(value);
        if (!stated || (length && *length != *stated))
            return std::nullopt;
        length = stated;
    }
    return length;
}

std::optional<ContentRange> HttpAnswer::contentRange() const
{
    const std::optional<QByteArray> value = field("Content-Range");
    return value ? parseContentRange(*value) : std::nullopt;
}

ServerValidators HttpAnswer::validators() const
{
    return {field("ETag").value_or(QByteArray()), field("Last-Modified").value_or(QByteArray())};
}

bool HttpAnswer::keepsConnection() const
{
    if (m_lines.isEmpty())
        return false;
    const QByteArray connection = values("Connection").join(", ").toLower();
    const bool http10 = m_lines.first().startsWith("HTTP/1.0 ");
    return http10 ? connection.contains("keep-alive") : !connection.contains("close");
}

bool HttpAnswer::isCoded() const
{
    const QList<QByteArray> codings = values("Transfer-Encoding");
    return std::any_of(codings.cbegin(), codings.cend(),
                       [](const QByteArray &coding) { return coding.toLower() != "identity"; });
}

std::optional<Checksum> HttpAnswer::digest() const
{
    if (std::optional<Checksum> stated = strongestIn(values("Repr-Digest"), byteSequence))
        return stated;
    return strongestIn(values("Digest"), base64);
}

std::optional<QString> HttpAnswer::fileName() const
{
    const std::optional<QByteArray> disposition = field("Content-Disposition");
    return disposition ? dispositionFileName(*disposition) : std::nullopt;
}
