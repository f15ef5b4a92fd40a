#pragma once

#include <QString>

#include <optional>

class QIODevice;

// The one message a browser writes to its native-messaging host on standard input: a 32-bit
// length in the machine's byte order followed by that many bytes of JSON, {"url": "..."}. The
// reply goes the same way on standard output.
namespace NativeFrame {

// The URL of the one message on input; nullopt when input ends early, the message is too long
// or it carries no URL.
std::optional<QString> readUrl(QIODevice &input);
// Tells the extension whether the URL reached Quillfetch.
void writeReply(QIODevice &output, bool delivered);

} // namespace NativeFrame
