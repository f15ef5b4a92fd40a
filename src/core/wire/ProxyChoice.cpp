#include "wire/ProxyChoice.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

namespace {

constexpr quint16 DefaultProxyPort = 1080;

// The variable in lower case, else in upper case; an empty value counts as unset.
QString variable(const QProcessEnvironment &environment, const QString &name)
{
    const QString lower = environment.value(name).trimmed();
    return lower.isEmpty() ? environment.value(name.toUpper()).trimmed() : lower;
}

QString variableName(Url::Scheme scheme)
{
    switch (scheme) {
    case Url::Scheme::Http:
        return QStringLiteral("http_proxy");
    case Url::Scheme::Https:
        return QStringLiteral("https_proxy");
    case Url::Scheme::Ftp:
        return QStringLiteral("ftp_proxy");
    }
    return QStringLiteral("all_proxy");
}

// A no_proxy entry matches the host itself and, for a name, every name under it.
bool entryMatches(QString entry, const QString &host, const std::optional<QHostAddress> &address)
{
    if (entry.startsWith(u'.'))
        entry.remove(0, 1);
    if (entry.startsWith(u'[')) {
        entry.remove(0, 1);
        entry.remove(u']');
    }
    if (!address)
        return !entry.isEmpty() && (host == entry || host.endsWith(u'.' + entry));
    if (entry.contains(u'/'))
        return address->isInSubnet(QHostAddress::parseSubnet(entry));
    return address->isEqual(QHostAddress(entry));
}

bool bypassed(const QString &noProxy, QString host)
{
    host = host.toLower();
    if (host.endsWith(u'.'))
        host.chop(1);
    QHostAddress parsed;
    const std::optional<QHostAddress> address =
        parsed.setAddress(host) ? std::optional(parsed) : std::nullopt;
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (const QString &entry : noProxy.toLower().split(separators, Qt::SkipEmptyParts)) {
        if (entry == u'*' || entryMatches(entry, host, address))
            return true;
    }
    return false;
}

// The route a variable's value names; the value never shows in a refusal, since it may carry a
// password.
ProxyRoute routeOf(const QString &value, const QString &name, const Url &url)
{
    const QUrl proxyUrl(value.contains(QLatin1String("://")) ? value : "http://" + value);
    ProxyRoute route;
    if (!proxyUrl.isValid() || proxyUrl.host().isEmpty()) {
        route.refusal = QStringLiteral("The proxy set in ") + name +
                        QStringLiteral(" is not a valid address !");
        return route;
    }
    Proxy &proxy = route.proxy;
    proxy.server = {proxyUrl.host(), quint16(proxyUrl.port(DefaultProxyPort))};
    proxy.user = proxyUrl.userName(QUrl::FullyDecoded);
    proxy.password = proxyUrl.password(QUrl::FullyDecoded);
    const QString scheme = proxyUrl.scheme();
    if (scheme == QLatin1String("socks5") || scheme == QLatin1String("socks5h")) {
        proxy.type = ProxySetting::Type::Socks5;
        route.way = ProxyRoute::Way::Socks5;
    } else if (scheme == QLatin1String("http")) {
        route.way =
            url.scheme == Url::Scheme::Http ? ProxyRoute::Way::Forward : ProxyRoute::Way::Connect;
    } else {
        const QUrl named = proxyUrl.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath |
                                             QUrl::RemoveQuery | QUrl::RemoveFragment);
        route.refusal = QStringLiteral("The proxy ") + named.toString() +
                        QStringLiteral(" set in ") + name +
                        QStringLiteral(" cannot be used: only HTTP and SOCKS5 proxies can !");
    }
    return route;
}

ProxyRoute fromEnvironment(const QProcessEnvironment &environment, const Url &url)
{
    if (url.server && bypassed(variable(environment, QStringLiteral("no_proxy")), url.server->host))
        return {};
    QString name = variableName(url.scheme);
    QString value = variable(environment, name);
    if (value.isEmpty()) {
        name = QStringLiteral("all_proxy");
        value = variable(environment, name);
    }
    return value.isEmpty() ? ProxyRoute{} : routeOf(value, name, url);
}

ProxyRoute fromSetting(const ProxySetting &setting, const Url &url)
{
    ProxyRoute route;
    route.proxy = {
        setting.type, {setting.host.trimmed(), setting.port}, setting.user, setting.password};
    if (route.proxy.server.host.isEmpty() || setting.port == 0) {
        route.refusal = QStringLiteral("The proxy of the options names no server and port !");
        return route;
    }
    if (setting.type == ProxySetting::Type::Socks5)
        route.way = ProxyRoute::Way::Socks5;
    else
        route.way =
            url.scheme == Url::Scheme::Http ? ProxyRoute::Way::Forward : ProxyRoute::Way::Connect;
    return route;
}

QString loginText(const Proxy &proxy)
{
    return QStringLiteral("The proxy ") + proxy.server.text() +
           (proxy.user.isEmpty() ? QStringLiteral(" wants a user and a password.")
                                 : QStringLiteral(" refused its user and password."));
}

} // namespace

QByteArray Proxy::authorization() const
{
    if (user.isEmpty())
        return {};
    return "Basic " + (user + u':' + password).toUtf8().toBase64();
}

HttpRequest::ViaProxy ProxyRoute::forwarding() const
{
    if (way != Way::Forward)
        return {};
    return {true, proxy.authorization()};
}

QNetworkProxy Proxy::socks5() const
{
    return QNetworkProxy(QNetworkProxy::Socks5Proxy, server.host, server.port, user, password);
}

ProxyRoute chooseRoute(const ProxySetting &setting, const QProcessEnvironment &environment,
                       const Url &url)
{
    switch (setting.mode) {
    case ProxySetting::Mode::None:
        return {};
    case ProxySetting::Mode::Environment:
        return fromEnvironment(environment, url);
    case ProxySetting::Mode::Manual:
        return fromSetting(setting, url);
    }
    return {};
}

ProxyRoute chooseRoute(const ProxySetting &setting, const Url &url)
{
    return chooseRoute(setting, QProcessEnvironment::systemEnvironment(), url);
}

// Qt's SOCKS5 engine reports the proxy's faults by codes of their own and the server's (refused,
// not found) as a direct connection would. An HTTP proxy is connected to as a server is: until
// then, every fault is the proxy's.
std::optional<QString> proxyFaultText(const ProxyRoute &route, QAbstractSocket::SocketError error)
{
    if (route.isDirect())
        return std::nullopt;
    const QString proxy = QStringLiteral("The proxy ") + route.proxy.server.text();
    const bool socks = route.way == ProxyRoute::Way::Socks5;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        if (socks)
            return std::nullopt;
        [[fallthrough]];
    case QAbstractSocket::ProxyConnectionRefusedError:
        return proxy + QStringLiteral(" refused the connection.");
    case QAbstractSocket::HostNotFoundError:
        if (socks)
            return std::nullopt;
        [[fallthrough]];
    case QAbstractSocket::ProxyNotFoundError:
        return proxy + QStringLiteral(" was not found.");
    case QAbstractSocket::SocketTimeoutError:
        if (socks)
            return std::nullopt;
        [[fallthrough]];
    case QAbstractSocket::ProxyConnectionTimeoutError:
        return proxy + QStringLiteral(" did not answer in time.");
    case QAbstractSocket::ProxyConnectionClosedError:
        return proxy + QStringLiteral(" closed the connection.");
    case QAbstractSocket::ProxyAuthenticationRequiredError:
        return loginText(route.proxy);
    case QAbstractSocket::ProxyProtocolError:
        return proxy + QStringLiteral(" does not answer as a SOCKS5 proxy.");
    case QAbstractSocket::SocketAccessError:
        if (!socks)
            return std::nullopt;
        return proxy + QStringLiteral(" refused to connect to the server.");
    default:
        return std::nullopt;
    }
}

QString proxyRefusalText(const Proxy &proxy, int status, const HostPort &server)
{
    if (status == ProxyLoginWanted)
        return loginText(proxy);
    return QStringLiteral("The proxy ") + proxy.server.text() +
           QStringLiteral(" refused to connect to ") + server.text() + QStringLiteral(" (error ") +
           QString::number(status) + QStringLiteral(").");
}
