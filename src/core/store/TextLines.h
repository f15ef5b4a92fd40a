#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The conventions shared by every ".qfd" text: UTF-8 (a server's bytes where it sent them), each
// line ended by CR LF, the last one included; a record line is its key followed by its value.
namespace TextLines {

// key & value & CR LF. CR and LF are dropped from the value: a value never spans lines.
QByteArray line(const char *key, const QString &value);
// The same for a value kept byte for byte, whatever its encoding.
QByteArray bytesLine(const char *key, const QByteArray &value);

// The lines that end with CR LF, without it. Text after the last CR LF (a torn write) is left out.
QList<QByteArray> completeLines(const QByteArray &text);

// Each line followed by CR LF.
QByteArray join(const QList<QByteArray> &lines);

// Reads the values of a record in file order. Each key is looked up at the start of a line,
// after the value just read, so a value that holds another key's text cannot be taken for it.
class KeyReader final
{
public:
    explicit KeyReader(const QByteArray &text);

    // The value of the next line that starts with key, without the CR and LF that a damaged
    // file may hold inside it (line() drops them too, so a value reads back as it was read);
    // nullopt when there is none or when that line has no CR LF.
    std::optional<QByteArray> next(const QByteArray &key);

    // Where the line of the value last read starts, and where it ends after its CR LF.
    qsizetype lineStart() const { return m_lineStart; }
    qsizetype lineEnd() const { return m_pos; }

private:
    QByteArray m_text;
    qsizetype m_lineStart = 0;
    qsizetype m_pos = 0;
};

} // namespace TextLines
