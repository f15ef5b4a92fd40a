#include "engine/DownloadSlots.h"

#include "engine/FtpSlot.h"
#include "engine/HttpSlot.h"

#include "wire/TlsTrust.h"

#include <memory>

namespace {

Download::SlotFactory httpSlots(const Url &url, const HostPort &server, qint64 fileSize,
                                const ServerValidators &validators,
                                const EngineIntervals &intervals,
                                const std::optional<QSslConfiguration> &tls, SpeedLimit *limit)
{
    const HttpSlot::Target target{url.hostHeader, server.host, server.port, url.path,
                                  fileSize,       tls,         validators};
    const HttpSlot::Timing timing{intervals.retryFirstMs, intervals.retryMaxMs, intervals.stallMs};
    const auto habits = std::make_shared<HttpServerHabits>();
    return [target, timing, habits, limit](int number, QObject *parent) {
        return new HttpSlot(number, target, timing, habits, limit, parent);
    };
}

Download::SlotFactory ftpSlots(const Url &url, const HostPort &server, qint64 fileSize,
                               const ServerValidators &validators, const EngineIntervals &intervals,
                               SpeedLimit *limit)
{
    const FtpSlot::Target target{server.host, server.port, url.path, fileSize, validators.modified};
    const auto mode = std::make_shared<FtpDataMode>(FtpDataMode::Active);
    return [target, mode, intervals, limit](int number, QObject *parent) {
        const FtpSlot::Timing timing{
            {intervals.retryFirstMs, intervals.retryMaxMs, intervals.stallMs},
            intervals.ftpDataWaitMs,
            intervals.ftpSlotMs.at(number - 1)};
        return new FtpSlot(number, target, timing, mode, limit, parent);
    };
}

} // namespace

std::optional<DownloadSlots> DownloadSlots::forUrl(const Url &url, qint64 fileSize,
                                                   const ServerValidators &validators,
                                                   const EngineIntervals &intervals,
                                                   const QString &testCaFile, SpeedLimit *limit)
{
    if (!url.server)
        return std::nullopt;
    if (url.isFtp())
        return DownloadSlots{FtpSlotCount,
                             ftpSlots(url, *url.server, fileSize, validators, intervals, limit)};
    // Only HTTPS needs to know what it trusts.
    const std::optional<QSslConfiguration> tls =
        url.isTls() ? std::optional(tlsConfiguration(testCaFile)) : std::nullopt;
    return DownloadSlots{Download::MaxSlots,
                         httpSlots(url, *url.server, fileSize, validators, intervals, tls, limit)};
}
