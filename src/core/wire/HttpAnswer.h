#pragma once

#include "store/Checksum.h"
#include "store/ServerValidators.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// A Content-Range field, "bytes <first>-<last>/<total>".
struct ContentRange
{
    qint64 first = 0;
    qint64 last = 0;
    std::optional<qint64> total; // nullopt when the server does not know it ("*")

    bool operator==(const ContentRange &) const = default;
};

// The header block of an HTTP answer, as the probe and the pack transfers read it: collected
// across reads up to its blank line (TCP may cut an answer anywhere), interim answers before it
// ("100 Continue", "103 Early Hints") passed over, then read with one rule for each field.
//
// A field's name matches in any case. A field that an answer states once counts by its first
// line; Content-Length counts only when every line of it states the same number; the lists
// Connection and Transfer-Encoding count every line. A number is digits alone, without a sign;
// the range unit "bytes" matches in any case.
class HttpAnswer final
{
public:
    static constexpr qsizetype MaxHeaderBytes = 64 * 1024;

    enum class State
    {
        Incomplete,
        Complete,
        TooLarge // no blank line within MaxHeaderBytes
    };

    // Adds received bytes and returns how many of them belong to the header: all of them while
    // it is incomplete, those up to its blank line once it completes (the rest is body).
    qsizetype append(QByteArrayView chunk);
    State state() const { return m_state; }
    // No byte of the answer has arrived since the last clear (interim answers do not count).
    bool isEmpty() const { return m_state == State::Incomplete && m_received.isEmpty(); }
    void clear();

    // The code of a status line "HTTP/x.y NNN ..."; nullopt when the line has another shape.
    std::optional<int> statusCode() const;
    // The value of the field's first line, blanks trimmed.
    std::optional<QByteArray> field(QByteArrayView name) const;
    // nullopt when absent, not a number, or stated twice with two numbers.
    std::optional<qint64> contentLength() const;
    std::optional<ContentRange> contentRange() const;
    ServerValidators validators() const; // ETag and Last-Modified
    // The server keeps the connection for another request once the body has been sent: an
    // HTTP/1.1 answer without "Connection: close", or an HTTP/1.0 one with "keep-alive".
    bool keepsConnection() const;
    // A transfer coding other than identity (chunked, ...): the body is not the file's bytes.
    bool isCoded() const;
    // The digest of the whole file the server states: the strongest one Repr-Digest names
    // (RFC 9530: "sha-256=:<base64>:, sha-512=:<base64>:"), else the strongest of Digest
    // ("SHA-256=<base64>"). Either field may name SHA-512, SHA-256, SHA-1 ("sha") or MD5; other
    // algorithms, and values that are not the bytes of their algorithm, are passed over.
    std::optional<Checksum> digest() const;
    // The file name Content-Disposition gives, never with a "/" or a control character (see
    // dispositionFileName); nullopt without one.
    std::optional<QString> fileName() const;

private:
    void split(qsizetype headerEnd);
    QList<QByteArray> values(QByteArrayView name) const;

    QByteArray m_received;
    QList<QByteArray> m_lines; // status line first, then the fields; set once complete
    State m_state = State::Incomplete;
};
