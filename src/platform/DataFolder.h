#pragma once

#include <QString>

// Decides where Quillfetch keeps its data: "projects", the default "received" folder and the
// browser-menu files. The program folder only holds the executables.
//
// Order: $QUILLFETCH_HOME when set (made absolute); the program folder when it holds a file
// named "portable"; otherwise the per-user data folder (~/.local/share/Quillfetch on Linux).
// The result always ends with "/".
QString resolveDataFolder(const QString &programFolder);
