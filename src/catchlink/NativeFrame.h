#pragma once

#include "wire/HandoffMessage.h"

#include <optional>

class QIODevice;

// The one message a browser writes to its native-messaging host on standard input: a 32-bit
// length in the machine's byte order followed by that many bytes of JSON, {"url": "..."}, with
// what the browser sends with the link when the extension could read it: "cookie", "referer"
// and "userAgent". The reply goes the same way on standard output.
namespace NativeFrame {

// What the one message on input hands over; nullopt when input ends early, the message is too
// long, it carries no URL, a value is no text, or the hand-off message could not carry it as it
// is (HandoffMessage::carries).
std::optional<HandedOver> read(QIODevice &input);
// Tells the extension whether the URL reached Quillfetch.
void writeReply(QIODevice &output, bool delivered);

} // namespace NativeFrame
