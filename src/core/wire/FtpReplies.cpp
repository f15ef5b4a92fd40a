#include "wire/FtpReplies.h"

#include "wire/ByteCount.h"

#include <utility>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The code of a line that starts with three digits followed by a blank, "-" or nothing.
std::optional<int> lineCode(const QByteArray &line)
{
    if (line.size() < 3 || !isDigit(line[0]) || !isDigit(line[1]) || !isDigit(line[2]))
        return std::nullopt;
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-')
        return std::nullopt;
    return line.left(3).toInt();
}

} // namespace

QList<FtpReply> FtpReplies::append(const QByteArray &chunk)
{
    QList<FtpReply> replies;
    // What was held before holds no line end: only the new bytes are searched.
    const qsizetype searchFrom = m_partial.size();
    m_partial.append(chunk);
    qsizetype start = 0;
    for (qsizetype end = m_partial.indexOf('\n', searchFrom); end >= 0;
         end = m_partial.indexOf('\n', start)) {
        QByteArray line = m_partial.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        const bool dropped = std::exchange(m_dropping, false) || end - start > MaxLineBytes;
        if (const auto reply = dropped ? std::nullopt : takeLine(line))
            replies.append(*reply);
        start = end + 1;
    }
    m_partial.remove(0, start);
    if (m_partial.size() > MaxLineBytes) {
        m_partial.clear();
        m_dropping = true; // the rest of this line, up to its LF
    }
    return replies;
}

void FtpReplies::clear()
{
    m_partial.clear();
    m_dropping = false;
    m_multiLineCode.reset();
}

std::optional<FtpReply> FtpReplies::takeLine(const QByteArray &line)
{
    const std::optional<int> code = lineCode(line);
    if (!code)
        return std::nullopt; // text inside a multi-line reply, or noise
    const bool continues = line.size() > 3 && line[3] == '-';
    if (m_multiLineCode) {
        if (*code != *m_multiLineCode || continues)
            return std::nullopt;
        m_multiLineCode.reset();
    } else if (continues) {
        m_multiLineCode = code;
        return std::nullopt;
    }
    return FtpReply{*code, line.mid(4)};
}

std::optional<qint64> ftpSizeFromReplyText(const QByteArray &text)
{
    qsizetype end = text.size();
    while (end > 0 && !isDigit(text[end - 1]))
        --end;
    if (end == 0)
        return std::nullopt;
    return parseByteCount(QByteArrayView(text).first(end));
}
