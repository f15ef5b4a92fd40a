#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// The header block of an HTTP answer, collected across reads up to its blank line (TCP may cut
// an answer anywhere), then read as a status code and fields. Interim answers before it ("100
// Continue", "103 Early Hints") are passed over.
class HttpAnswer final
{
public:
    static constexpr qsizetype MaxHeaderBytes = 64 * 1024;

    enum class State
    {
        Incomplete,
        Complete,
        TooLarge
    };

    // Adds received bytes. Bytes after the blank line (the body) are ignored.
    State append(const QByteArray &chunk);
    void clear();

    // The code of a status line "HTTP/x.y NNN ..."; nullopt when the line has another shape.
    std::optional<int> statusCode() const;
    // The value of the first field of that name (case-insensitive), blanks trimmed.
    std::optional<QByteArray> field(QByteArrayView name) const;

private:
    void split(qsizetype headerEnd);

    QByteArray m_received;
    QList<QByteArray> m_lines; // status line first, then the fields; set once complete
    State m_state = State::Incomplete;
};
