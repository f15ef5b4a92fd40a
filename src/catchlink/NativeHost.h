#pragma once

#include <QString>

#include <optional>

class QIODevice;

// Catchlink as a browser's native-messaging host. The browser starts it with the extension's
// origin ("chrome-extension://...", Chromium and Chrome) or the path of the host manifest
// (Firefox) as first argument, then writes one message on standard input: a 32-bit length in
// the machine's byte order followed by that many bytes of JSON, {"url": "..."}. The reply goes
// the same way on standard output.
namespace NativeHost {

// How the browsers start a host; such an argument is never a URL to hand over.
bool isBrowserStart(const QString &firstArgument);
// The URL of the one message on input; nullopt when input ends early, the message is too long
// or it carries no URL.
std::optional<QString> readUrl(QIODevice &input);
// Tells the extension whether the URL reached Quillfetch.
void writeReply(QIODevice &output, bool delivered);

} // namespace NativeHost
