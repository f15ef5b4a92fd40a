#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

// Catchlink as a browser's native-messaging host. Chromium and Chrome start it with the
// extension's origin ("chrome-extension://<id>/") as first argument, Firefox with the path of
// the host manifest and the add-on's id; then the browser writes one message on standard
// input: a 32-bit length in the machine's byte order followed by that many bytes of JSON,
// {"url": "..."}. The reply goes the same way on standard output.
namespace NativeHost {

// The arguments are those of a browser starting our extension's host: the origin or add-on id
// the host manifest allows, and for Firefox a manifest that exists. A URL typed in a terminal
// is never taken for one, even one ending in ".json".
bool isBrowserStart(const QStringList &arguments);
// The URL of the one message on input; nullopt when input ends early, the message is too long
// or it carries no URL.
std::optional<QString> readUrl(QIODevice &input);
// Tells the extension whether the URL reached Quillfetch.
void writeReply(QIODevice &output, bool delivered);

} // namespace NativeHost
