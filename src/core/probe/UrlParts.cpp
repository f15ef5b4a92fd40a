#include "probe/UrlParts.h"

#include "store/FileNames.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

// The port text after a host: digits only, from 1 to 65535.
std::optional<quint16> parsePort(QStringView text)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const int port = text.toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

} // namespace

UrlParts Extract_URL(QString &strUrl)
{
    const qsizetype scheme = strUrl.indexOf(QLatin1String("://"));
    if (scheme >= 0)
        strUrl = strUrl.mid(scheme + 3);
    const qsizetype slash = strUrl.indexOf(u'/');
    if (slash >= 0)
        return {strUrl.left(slash), strUrl.mid(slash)};
    if (strUrl.isEmpty())
        return {};
    return {strUrl, QStringLiteral("/")};
}

QString Extraire_Nom_Fichier(const QString &url)
{
    return url.mid(url.lastIndexOf(u'/') + 1);
}

QString localFileName(const QString &url)
{
    static const QRegularExpression queryOrFragment(QStringLiteral("[?#]"));
    const QString path = url.left(url.indexOf(queryOrFragment));
    const QString segment = Extraire_Nom_Fichier(path);
    return FileNames::fitted(QUrl::fromPercentEncoding(segment.toUtf8()));
}

std::optional<HostPort> splitHostPort(const QString &hostText, quint16 defaultPort)
{
    // A user name (and password) before "@" names nobody to connect to.
    const QStringView text = QStringView(hostText).mid(hostText.lastIndexOf(u'@') + 1);

    QStringView host = text;
    QStringView rest; // empty or ":port"
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        host = text.mid(1, close - 1);
        rest = text.mid(close + 1);
    } else if (const qsizetype colon = text.indexOf(u':'); colon >= 0) {
        // An unbracketed IPv6 address cannot be told apart from a host and a port.
        if (text.indexOf(u':', colon + 1) >= 0)
            return std::nullopt;
        host = text.left(colon);
        rest = text.mid(colon);
    }
    if (host.isEmpty())
        return std::nullopt;
    if (rest.isEmpty())
        return HostPort{host.toString(), defaultPort};
    if (!rest.startsWith(u':'))
        return std::nullopt;
    const std::optional<quint16> port = parsePort(rest.mid(1));
    if (!port)
        return std::nullopt;
    return HostPort{host.toString(), *port};
}

bool isHttpsUrl(const QString &urlText)
{
    return urlText.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}
