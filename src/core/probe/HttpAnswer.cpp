#include "probe/HttpAnswer.h"

namespace {

constexpr QByteArrayView HeaderEnd("\r\n\r\n");

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The code of a status line "HTTP/x.y NNN ..." (what follows its end is ignored).
std::optional<int> statusOf(QByteArrayView header)
{
    const qsizetype lineEnd = header.indexOf('\n');
    QByteArrayView line = lineEnd < 0 ? header : header.first(lineEnd);
    if (line.endsWith('\r'))
        line.chop(1);
    const qsizetype space = line.indexOf(' ');
    if (!line.startsWith("HTTP/") || space < 0 || line.size() < space + 4)
        return std::nullopt;
    const QByteArrayView code = line.sliced(space + 1, 3);
    const bool ended = line.size() == space + 4 || line.at(space + 4) == ' ';
    if (!ended || !isDigit(code[0]) || !isDigit(code[1]) || !isDigit(code[2]))
        return std::nullopt;
    return code.toInt();
}

} // namespace

// An interim answer (1xx, "100 Continue", "103 Early Hints") is passed over: the real one
// follows it.
HttpAnswer::State HttpAnswer::append(const QByteArray &chunk)
{
    if (m_state != State::Incomplete)
        return m_state;
    // The blank line may straddle the previous read and this one.
    qsizetype searchFrom = qMax(qsizetype(0), m_received.size() - (HeaderEnd.size() - 1));
    m_received.append(chunk);
    for (qsizetype end = m_received.indexOf(HeaderEnd, searchFrom);
         end >= 0 && end <= MaxHeaderBytes; end = m_received.indexOf(HeaderEnd, searchFrom)) {
        const std::optional<int> status = statusOf(QByteArrayView(m_received).first(end));
        if (!status || *status < 100 || *status > 199) {
            split(end);
            return m_state;
        }
        m_received.remove(0, end + HeaderEnd.size());
        searchFrom = 0;
    }
    if (m_received.size() > MaxHeaderBytes)
        m_state = State::TooLarge;
    return m_state;
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

std::optional<int> HttpAnswer::statusCode() const
{
    if (m_lines.isEmpty())
        return std::nullopt;
    return statusOf(m_lines.first());
}

std::optional<QByteArray> HttpAnswer::field(QByteArrayView name) const
{
    for (qsizetype i = 1; i < m_lines.size(); ++i) {
        const QByteArray &line = m_lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        if (QByteArrayView(line).first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return std::nullopt;
}
