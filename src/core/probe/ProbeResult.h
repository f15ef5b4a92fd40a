#pragma once

#include "store/ServerValidators.h"

#include <QString>

// What a successful probe found: everything the new-project dialog shows and the record needs.
struct ProbeResult
{
    QString url; // as the project stores it: no scheme and "//" but "https://"; a redirect's target
    qint64 size = 0;     // bytes
    QString projectName; // names no existing project folder
    bool isFtp = false;
    // False when the HTTP server ignores ranges (the file then fits in one pack). FTP servers are
    // asked with REST, which every server the probe accepts is taken to support.
    bool rangeSupported = true;
    ServerValidators validators; // HTTP: what identifies the file's version
};
