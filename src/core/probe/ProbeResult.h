#pragma once

#include "store/Checksum.h"
#include "store/ProjectAccess.h"
#include "store/ServerValidators.h"

#include <QString>

#include <optional>

// What a successful probe found: everything the new-project dialog shows and the record needs.
struct ProbeResult
{
    QString url; // as the project stores it: no scheme and "//" but "https://"; a redirect's target
    qint64 size = 0;     // bytes
    QString projectName; // names no existing project folder
    bool isFtp = false;
    // False when the server ignores ranges (HTTP) or refuses REST (FTP): the file then fits in
    // one pack.
    bool rangeSupported = true;
    // HTTP: the ETag and Last-Modified; FTP: the MDTM time as "modified" (the size is the
    // record's).
    ServerValidators validators;
    // The digest the server gives the file, in its answer or in a file beside it.
    std::optional<Checksum> checksum;
    // What the project keeps to show its server: the login of the URL or of the login box, and
    // what the browser handed over. A login of ~/.netrc is read again at each start instead.
    ProjectAccess access;
    Login loginThisRun; // given in the login box, not to be remembered
    // The name the server gave the file (Content-Disposition), which then names the project and
    // the finished file instead of the URL; empty when it gave none.
    QString serverFileName{};
};
