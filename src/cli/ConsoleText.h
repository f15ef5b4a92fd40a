#pragma once

#include <QString>

// The program's messages break lines with CR LF; a console wants its own line ends.
inline QString consoleText(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
