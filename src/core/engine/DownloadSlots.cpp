#include "engine/DownloadSlots.h"

#include "engine/FtpSlot.h"
#include "engine/HttpSlot.h"
#include "engine/RunAccess.h"

#include "wire/TlsTrust.h"

#include <memory>

namespace {

Download::SlotFactory httpSlots(const Url &url, const HostPort &server, qint64 fileSize,
                                const ServerValidators &validators,
                                const EngineIntervals &intervals,
                                const std::optional<QSslConfiguration> &tls, SpeedLimit *limit,
                                const ProxyRoute &route, const ProjectAccess &access)
{
    const HttpSlot::Target target{url.hostHeader, server.host, server.port, url.path, fileSize, tls,
                                  validators,     access,      route};
    const HttpSlot::Timing timing{intervals.retryFirstMs, intervals.retryMaxMs, intervals.stallMs};
    const auto habits = std::make_shared<HttpServerHabits>();
    return [target, timing, habits, limit](int number, QObject *parent) {
        return new HttpSlot(number, target, timing, habits, limit, parent);
    };
}

Download::SlotFactory ftpSlots(const Url &url, const HostPort &server, qint64 fileSize,
                               const ServerValidators &validators, const EngineIntervals &intervals,
                               SpeedLimit *limit, const ProxyRoute &route, const Login &login)
{
    const FtpSlot::Target target{server.host,         server.port, url.path, fileSize,
                                 validators.modified, login,       route};
    const auto mode =
        std::make_shared<FtpDataMode>(route.isDirect() ? FtpDataMode::Active : FtpDataMode::Epsv);
    return [target, mode, intervals, limit](int number, QObject *parent) {
        const FtpSlot::Timing timing{
            {intervals.retryFirstMs, intervals.retryMaxMs, intervals.stallMs},
            intervals.ftpDataWaitMs,
            intervals.ftpSlotMs.at(number - 1)};
        return new FtpSlot(number, target, timing, mode, limit, parent);
    };
}

} // namespace

DownloadSlots DownloadSlots::forUrl(const Url &url, qint64 fileSize,
                                    const ServerValidators &validators,
                                    const EngineIntervals &intervals, const QString &testCaFile,
                                    SpeedLimit *limit, const ProxySetting &proxy,
                                    const ProjectAccess &access)
{
    if (!url.server)
        return {0,
                {},
                QStringLiteral("The address ") + url.hostHeader +
                    QStringLiteral(" is not valid !")};
    const RunAccess run = RunAccess::of(url, access);
    if (!run.refusal.isEmpty())
        return {0, {}, run.refusal};
    const ProxyRoute route = chooseRoute(proxy, url);
    if (!route.refusal.isEmpty())
        return {0, {}, route.refusal};
    if (url.isFtp())
        return {FtpSlotCount, ftpSlots(url, *url.server, fileSize, validators, intervals, limit,
                                       route, run.access.login)};
    // Only HTTPS needs to know what it trusts.
    const std::optional<QSslConfiguration> tls =
        url.isTls() ? std::optional(tlsConfiguration(testCaFile)) : std::nullopt;
    return {Download::MaxSlots, httpSlots(url, *url.server, fileSize, validators, intervals, tls,
                                          limit, route, run.access)};
}
