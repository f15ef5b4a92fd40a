#pragma once

#include <QString>
#include <QStringList>

// Catchlink as a browser's native-messaging host. Chromium and Chrome start it with the
// extension's origin ("chrome-extension://<id>/") as first argument, Firefox with the path of
// the host manifest and the add-on's id; then the browser writes one message on standard
// input (NativeFrame).
namespace NativeHost {

// The arguments are those of a browser starting our extension's host: the origin or add-on id
// the host manifest allows, and for Firefox a manifest that exists. A URL typed in a terminal
// is never taken for one, even one ending in ".json".
bool isBrowserStart(const QStringList &arguments);

} // namespace NativeHost
