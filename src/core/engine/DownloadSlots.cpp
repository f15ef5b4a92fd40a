#include "engine/DownloadSlots.h"

#include "engine/FtpSlot.h"
#include "engine/HttpSlot.h"
#include "probe/UrlParts.h"

#include <memory>

namespace {

Download::SlotFactory httpSlots(const Url &url, const HostPort &server, qint64 fileSize,
                                const ServerValidators &validators,
                                const Engine::Intervals &intervals,
                                const std::optional<QSslConfiguration> &tls)
{
    // The Host line names the server as written, port included, without a user name.
    const QString hostHeader = url.host.mid(url.host.lastIndexOf(QLatin1Char('@')) + 1);
    const HttpSlot::Target target{hostHeader, server.host, server.port, url.path,
                                  fileSize,   tls,         validators};
    const HttpSlot::Timing timing{intervals.retryFirstMs, intervals.retryMaxMs, intervals.stallMs};
    const auto habits = std::make_shared<HttpServerHabits>();
    return [target, timing, habits](int number, QObject *parent) {
        return new HttpSlot(number, target, timing, habits, parent);
    };
}

Download::SlotFactory ftpSlots(const Url &url, const HostPort &server, qint64 fileSize,
                               const ServerValidators &validators,
                               const Engine::Intervals &intervals)
{
    const FtpSlot::Target target{server.host, server.port, url.path, fileSize, validators.modified};
    const auto mode = std::make_shared<FtpDataMode>(FtpDataMode::Active);
    return [target, mode, intervals](int number, QObject *parent) {
        const FtpSlot::Timing timing{intervals.retryFirstMs, intervals.retryMaxMs,
                                     intervals.stallMs, intervals.ftpDataWaitMs,
                                     intervals.ftpSlotMs.at(number - 1)};
        return new FtpSlot(number, target, timing, mode, parent);
    };
}

} // namespace

std::optional<DownloadSlots> DownloadSlots::forUrl(const Url &url, qint64 fileSize,
                                                   const ServerValidators &validators,
                                                   const Engine::Intervals &intervals,
                                                   const QSslConfiguration &tls)
{
    const std::optional<HostPort> server = splitHostPort(url.host, defaultPort(url.scheme));
    if (!server)
        return std::nullopt;
    if (url.scheme == Url::Scheme::Ftp)
        return DownloadSlots{FtpSlotCount, ftpSlots(url, *server, fileSize, validators, intervals)};
    const bool https = url.scheme == Url::Scheme::Https;
    return DownloadSlots{Download::MaxSlots,
                         httpSlots(url, *server, fileSize, validators, intervals,
                                   https ? std::optional(tls) : std::nullopt)};
}
