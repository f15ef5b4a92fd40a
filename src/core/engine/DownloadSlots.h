#pragma once

#include "engine/Download.h"
#include "engine/EngineIntervals.h"
#include "store/ProjectAccess.h"
#include "wire/ProxyChoice.h"
#include "wire/Url.h"

#include <QString>

#include <optional>

class SpeedLimit;

// The connection slots of one download, made from its URL: four HTTP slots (over TLS for HTTPS,
// trusting the test authority in testCaFile, if any, else the system's), or three FTP slots, each
// connecting through its own FTP timer, that share the data-connection mode the server takes.
// Every slot reads under `limit`, and every request shows the access.
struct DownloadSlots
{
    static constexpr int FtpSlotCount = 3;

    int count = 0;
    Download::SlotFactory make;
    QString refusal{}; // not empty: nothing may connect, and this says why

    // Along the route the proxy setting (or the environment) chooses for the URL, showing the
    // server the project's access (with the login of ~/.netrc when the project keeps none).
    static DownloadSlots forUrl(const Url &url, qint64 fileSize, const ServerValidators &validators,
                                const EngineIntervals &intervals, const QString &testCaFile,
                                SpeedLimit *limit, const ProxySetting &proxy,
                                const ProjectAccess &access = {});
};
