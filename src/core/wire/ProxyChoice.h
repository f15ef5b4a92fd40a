#pragma once

#include "wire/HttpRequest.h"
#include "wire/Url.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QNetworkProxy>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

// The proxy setting of Quillfetch's own (the Main options tab): none, the environment's, or one
// given here. Without a user, no login is sent.
struct ProxySetting
{
    enum class Mode
    {
        None,
        Environment,
        Manual
    };
    enum class Type
    {
        Http,
        Socks5
    };

    Mode mode = Mode::Environment;
    Type type = Type::Http;
    QString host{};
    quint16 port = 0;
    QString user{};
    QString password{};

    bool operator==(const ProxySetting &) const = default;
};

// A proxy to go through, and its login.
struct Proxy
{
    ProxySetting::Type type = ProxySetting::Type::Http;
    HostPort server; // what messages name it by, never with its login
    QString user;
    QString password;

    // The value of a Proxy-Authorization line, "Basic ..."; empty without a login.
    QByteArray authorization() const;
    // For Qt's SOCKS5 engine, which then hands the server's name to the proxy unresolved.
    QNetworkProxy socks5() const;
};

// How the connections for one URL are made.
struct ProxyRoute
{
    enum class Way
    {
        Direct,
        Connect, // through an HTTP proxy's tunnel (CONNECT): HTTPS and FTP
        Forward, // plain HTTP: the requests go to the HTTP proxy, their target in absolute form
        Socks5   // through a SOCKS5 proxy, which resolves the server's name
    };

    Way way = Way::Direct;
    Proxy proxy;     // unless Direct
    QString refusal; // not empty: the proxy set cannot be used, so nothing may be sent

    bool isDirect() const { return way == Way::Direct; }
    // What a plain HTTP request carries for this route.
    HttpRequest::ViaProxy forwarding() const;
};

// The route for url. The setting wins; "from the environment" reads the variables as curl and
// wget do: <scheme>_proxy (http_proxy, https_proxy, ftp_proxy), else all_proxy, each in lower
// case before upper case, an empty value counting as unset. A value is
// "[scheme://][user[:password]@]host[:port]", the scheme http (the default) or socks5 / socks5h
// (names resolved at the proxy either way), the port 1080 by default, the login percent-decoded.
// no_proxy (or NO_PROXY) lists the hosts reached directly, separated by commas or blanks: "*" for
// all, a name for itself and the names under it (a leading "." changes nothing), an address for
// itself, "address/bits" for a network.
ProxyRoute chooseRoute(const ProxySetting &setting, const QProcessEnvironment &environment,
                       const Url &url);
// The same with the program's own environment.
ProxyRoute chooseRoute(const ProxySetting &setting, const Url &url);

// Why a connection that has not reached its server through the route failed, for an error of
// its socket, when the proxy is the cause; nullopt when the error is the server's (or the route
// is direct).
std::optional<QString> proxyFaultText(const ProxyRoute &route, QAbstractSocket::SocketError error);

// Why an HTTP proxy did not open a tunnel to server, or (Forward) refused a request: its answer's
// status. 407: the proxy wants a login (or refused the one given).
QString proxyRefusalText(const Proxy &proxy, int status, const HostPort &server);

// The answer status by which an HTTP proxy asks for its login.
inline constexpr int ProxyLoginWanted = 407;
