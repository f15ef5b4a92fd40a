#include "store/TextLines.h"

namespace TextLines {

namespace {

const QByteArray crLf = QByteArrayLiteral("\r\n");

QByteArray withoutLineBreaks(QByteArray text)
{
    text.removeIf([](char c) { return c == '\r' || c == '\n'; });
    return text;
}

} // namespace

QByteArray line(const char *key, const QString &value)
{
    return bytesLine(key, value.toUtf8());
}

QByteArray bytesLine(const char *key, const QByteArray &value)
{
    return key + withoutLineBreaks(value) + crLf;
}

QList<QByteArray> completeLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype end = text.indexOf(crLf); end >= 0; end = text.indexOf(crLf, start)) {
        lines.append(text.mid(start, end - start));
        start = end + crLf.size();
    }
    return lines;
}

QByteArray join(const QList<QByteArray> &lines)
{
    QByteArray text;
    for (const QByteArray &line : lines)
        text += line + crLf;
    return text;
}

KeyReader::KeyReader(const QByteArray &text) : m_text(text) {}

std::optional<QByteArray> KeyReader::next(const QByteArray &key)
{
    qsizetype at = m_text.indexOf(key, m_pos);
    while (at > 0 && m_text.at(at - 1) != '\n')
        at = m_text.indexOf(key, at + 1);
    if (at < 0)
        return std::nullopt;
    const qsizetype valueStart = at + key.size();
    const qsizetype end = m_text.indexOf(crLf, valueStart);
    if (end < 0)
        return std::nullopt;
    m_lineStart = at;
    m_pos = end + crLf.size();
    return withoutLineBreaks(m_text.mid(valueStart, end - valueStart));
}

} // namespace TextLines
