#pragma once

#include <QString>

// Makes sure finished files can be written into a download folder before it is stored: the
// folder is created when missing and a throw-away file is written into it (the permission
// bits do not tell, as root writes past them and a read-only mount refuses everyone).
// Returns the message that tells the user why the folder cannot be used, or an empty text.
QString prepareDownloadFolder(const QString &folder);
