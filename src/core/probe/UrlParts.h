#pragma once

#include <QString>

#include <optional>

// Plain text cuts of a URL: no ports, user names, queries or escapes are interpreted.
struct UrlParts
{
    QString host; // may still carry ":port" or "user@"
    QString path; // from the first "/" on, query included; "/" when the URL has no path
};

// Removes the scheme and "://" from strUrl (the caller sees the change) and splits the rest
// at its first "/". An empty URL gives an empty host and an empty path.
UrlParts Extract_URL(QString &strUrl);

// The text after the last "/" (the whole text when it has none; empty when it ends with "/").
QString Extraire_Nom_Fichier(const QString &url);

// The name the downloaded file is saved under: the last segment of the URL's path, without
// query or fragment, its percent-escapes decoded, made safe and fitted (FileNames::fitted).
QString localFileName(const QString &url);

// Where to connect: the host text without a leading "user@" and a trailing ":port", and that
// port, or defaultPort when none is written. An IPv6 address is written in brackets,
// "[::1]:8080", and comes back without them. nullopt when the host is empty, an IPv6 address
// lacks its brackets, or the written port is not a number from 1 to 65535.
struct HostPort
{
    QString host;
    quint16 port = 0;
};
std::optional<HostPort> splitHostPort(const QString &hostText, quint16 defaultPort);

// The URL names its scheme "https://" (any letter case): the server is asked over TLS.
bool isHttpsUrl(const QString &urlText);

inline constexpr quint16 HttpPort = 80;
inline constexpr quint16 HttpsPort = 443;
inline constexpr quint16 FtpPort = 21;
