#include "NativeHost.h"

#include "platform/BrowserMenu.h"

#include <QFileInfo>

namespace NativeHost {

bool isBrowserStart(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return false;
    if (BrowserMenu::allowedCallers(BrowserMenu::Family::Chromium).contains(arguments.first()))
        return true;
    const QFileInfo manifest(arguments.first());
    return arguments.size() == 2 && manifest.isAbsolute() && manifest.isFile() &&
           BrowserMenu::allowedCallers(BrowserMenu::Family::Firefox).contains(arguments.at(1));
}

} // namespace NativeHost
