#include "probe/HttpAnswer.h"

namespace {

constexpr QByteArrayView HeaderEnd("\r\n\r\n");

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

HttpAnswer::State HttpAnswer::append(const QByteArray &chunk)
{
    if (m_state != State::Incomplete)
        return m_state;
    // The blank line may straddle the previous read and this one.
    const qsizetype searchFrom = qMax(qsizetype(0), m_received.size() - (HeaderEnd.size() - 1));
    m_received.append(chunk);
    const qsizetype end = m_received.indexOf(HeaderEnd, searchFrom);
    if (end >= 0 && end <= MaxHeaderBytes)
        split(end);
    else if (m_received.size() > MaxHeaderBytes)
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
    const QByteArray &line = m_lines.first();
    const qsizetype space = line.indexOf(' ');
    if (!line.startsWith("HTTP/") || space < 0 || line.size() < space + 4)
        return std::nullopt;
    const QByteArray code = line.mid(space + 1, 3);
    const bool ended = line.size() == space + 4 || line.at(space + 4) == ' ';
    if (!ended || !isDigit(code[0]) || !isDigit(code[1]) || !isDigit(code[2]))
        return std::nullopt;
    return code.toInt();
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
