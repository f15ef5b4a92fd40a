#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// One complete FTP reply: its code and the text after the code on its last line.
struct FtpReply
{
    int code = 0;
    QByteArray text;

    bool isNegative() const { return code >= 400; } // 4xx and 5xx: the command failed
    bool operator==(const FtpReply &) const = default;
};

// Cuts the bytes of an FTP control connection into replies, whatever way TCP split them. A
// reply is judged by the code at the start of its line, never by digits inside its text; a
// multi-line reply ("NNN-" ... "NNN ") counts once, when its last line arrives.
class FtpReplies final
{
public:
    // A longer line is dropped whole, however it arrives: no server sends one, and memory stays
    // bounded.
    static constexpr qsizetype MaxLineBytes = 64 * 1024;

    // Adds received bytes and returns the replies they complete, in order.
    QList<FtpReply> append(const QByteArray &chunk);
    void clear();

private:
    std::optional<FtpReply> takeLine(const QByteArray &line);

    QByteArray m_partial;
    bool m_dropping = false; // the start of the current line was over the limit
    std::optional<int> m_multiLineCode;
};

// The size in the text of a "213" reply: digits, with any trailing text cut back to the last
// digit ("1234", "1234 bytes"). nullopt when no digit is left or other text precedes them.
std::optional<qint64> ftpSizeFromReplyText(const QByteArray &text);
