#pragma once

#include "store/ProjectAccess.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Where to connect: a host name or address (an IPv6 address without its brackets) and a port.
struct HostPort
{
    QString host;
    quint16 port = 0;

    QString text() const; // "h.test:80", "[::1]:8080"
    bool operator==(const HostPort &) const = default;
};

// A URL as the user typed it or the browser handed it over, checked and cut once into what goes
// on the wire. Every URL is read here: the probe's, a redirect's, and a project's stored one;
// the value is what the probe and the slots of a download connect with.
struct Url
{
    enum class Scheme
    {
        Http,
        Https,
        Ftp
    };

    Scheme scheme = Scheme::Http;
    // Trimmed and escaped, without its scheme and "//" except "https://", and without its login:
    // what the URL field shows and the project keeps.
    QString text;
    QString authority;  // as written: may still carry "user:password@" and ":port"
    QString hostHeader; // the authority without "user:password@": what the Host line names
    Login login;        // written before the host, escapes decoded
    // nullopt when the authority names no server to connect to (see splitHostPort).
    std::optional<HostPort> server;
    // From the first "/" on, never with the fragment. HTTP: the request target, every character
    // a request target may not hold percent-encoded. FTP: the file's path, escapes decoded.
    QString path;
    QString fileName; // the name the downloaded file is saved under (localFileName)

    bool isTls() const { return scheme == Scheme::Https; }
    bool isFtp() const { return scheme == Scheme::Ftp; }
    bool operator==(const Url &) const = default;
};

// A URL that can be fetched, or the message that says why not.
struct UrlReading
{
    std::optional<Url> url;
    QString refusal;
};

// Reads urlText: surrounding blanks go; control characters, also once an FTP path's or a login's
// escapes are decoded, are refused; only http, https and ftp are fetched, and a URL written without
// a scheme is `schemeless` (by default FTP when its host begins with "ftp", else HTTP). The
// authority ends at the first "/", "?" or "#"; escapes already written stay as they are.
// `schemeless` is given for the text a project keeps (Url::text), which names a scheme only
// with its "//" ("https://"), so that it reads back as the same URL.
UrlReading Extract_URL(const QString &urlText,
                       std::optional<Url::Scheme> schemeless = std::nullopt);

// Both URLs name the same server the same way: scheme, host (any letter case) and port. A login
// and the browser's cookies go to the server they were given for, never to another.
bool isSameOrigin(const Url &a, const Url &b);

// The port a scheme connects to when the URL names none.
quint16 defaultPort(Url::Scheme scheme);

// The text after the last "/" (the whole text when it has none; empty when it ends with "/").
QString Extraire_Nom_Fichier(const QString &url);

// The name the downloaded file is saved under: the last segment of the URL's path, without
// query or fragment, its percent-escapes decoded, made safe and fitted (FileNames::fitted).
QString localFileName(const QString &url);

// The URL as it may be shown or printed: a "user:password@" before its host left out.
QString withoutCredentials(const QString &url);

// Where to connect: the host text without a leading "user@" and a trailing ":port", and that
// port, or defaultPort when none is written. An IPv6 address is written in brackets,
// "[::1]:8080", and comes back without them. nullopt when the host text holds a blank, the host
// is empty, an IPv6 address lacks its brackets, or the written port is not a number from 1 to
// 65535.
std::optional<HostPort> splitHostPort(const QString &hostText, quint16 defaultPort);

// Where a redirect's location leads from url: a relative location completed from url, an
// absolute one as sent (Extract_URL reads it and refuses a scheme it does not fetch). nullopt
// when the location is no URL.
struct Redirect
{
    QString text;
    bool https = false; // the location keeps TLS
};
std::optional<Redirect> redirectTarget(const Url &url, const QByteArray &location);

inline constexpr quint16 HttpPort = 80;
inline constexpr quint16 HttpsPort = 443;
inline constexpr quint16 FtpPort = 21;
