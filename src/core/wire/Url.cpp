#include "wire/Url.h"

#include "store/FileNames.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cctype>

namespace {

const QString ControlText =
    QStringLiteral("The URL contains control characters and cannot be used !");

QString schemeRefusedText(const QString &scheme)
{
    return QStringLiteral("The protocol ") + scheme +
           QStringLiteral(" is not supported: only http, https and ftp URLs can be downloaded !");
}

// C0 controls, DEL and C1 controls: a CR LF would end a request line or an FTP command early.
bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

bool hasControl(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), isControl);
}

bool hasControlByte(const QByteArray &bytes)
{
    return std::any_of(bytes.cbegin(), bytes.cend(),
                       [](char c) { return uchar(c) < 0x20 || uchar(c) == 0x7f; });
}

// The scheme written at the start of text, lower-cased, and where the rest begins. A host
// followed by its port ("h.test:8080/f") names no scheme; "javascript:x" does. In a text a
// project keeps, only a scheme followed by "//" is one: "anna:pw@h/f" is a host with its user.
struct WrittenScheme
{
    QString name;
    qsizetype restAt = 0;
};

std::optional<WrittenScheme> writtenScheme(const QString &text, bool kept)
{
    static const QRegularExpression pattern(
        QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):(?:(//)|(?!\\d*(?:[/?#]|$)))"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || (kept && !match.hasCaptured(2)))
        return std::nullopt;
    return WrittenScheme{match.captured(1).toLower(), match.capturedEnd(1) + 1};
}

std::optional<Url::Scheme> knownScheme(const QString &name)
{
    if (name == QLatin1String("http"))
        return Url::Scheme::Http;
    if (name == QLatin1String("https"))
        return Url::Scheme::Https;
    if (name == QLatin1String("ftp"))
        return Url::Scheme::Ftp;
    return std::nullopt;
}

// What a request target holds as written: letters and digits of ASCII, "-._~", the
// sub-delimiters, and ":@/?".
bool isTargetCharacter(char c)
{
    static constexpr QByteArrayView Others = "-._~!$&'()*+,;=:@/?";
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           Others.contains(c);
}

// Percent-encodes, in UTF-8, what a request target may not hold (blanks, quotes, "<", ">",
// "{", "}", "|", "\", "^", "`", and every character beyond ASCII). A written escape stays; a
// "%" that starts none is encoded itself.
QString escapedTarget(const QString &target)
{
    const QByteArray bytes = target.toUtf8();
    const auto isHex = [&bytes](qsizetype at) {
        return at < bytes.size() && std::isxdigit(uchar(bytes.at(at)));
    };
    QByteArray escaped;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const char c = bytes.at(at);
        if (isTargetCharacter(c) || (c == '%' && isHex(at + 1) && isHex(at + 2)))
            escaped += c;
        else
            escaped += '%' + QByteArray::number(uchar(c), 16).toUpper().rightJustified(2, '0');
    }
    return QString::fromLatin1(escaped);
}

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

QString HostPort::text() const
{
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(port);
}

UrlReading Extract_URL(const QString &urlText, std::optional<Url::Scheme> schemeless)
{
    const QString text = urlText.trimmed();
    if (hasControl(text))
        return {std::nullopt, ControlText};
    Url url;
    QString rest = text;
    if (const std::optional<WrittenScheme> written = writtenScheme(text, schemeless.has_value())) {
        const std::optional<Url::Scheme> scheme = knownScheme(written->name);
        if (!scheme)
            return {std::nullopt, schemeRefusedText(written->name)};
        url.scheme = *scheme;
        // Browsers read "http:h/f" and "http:///h/f" as "http://h/f".
        rest = text.mid(written->restAt);
        while (rest.startsWith(u'/'))
            rest.remove(0, 1);
    } else {
        const bool ftpHost = rest.startsWith(QLatin1String("ftp"), Qt::CaseInsensitive);
        url.scheme = schemeless.value_or(ftpHost ? Url::Scheme::Ftp : Url::Scheme::Http);
    }

    static const QRegularExpression authorityEnd(QStringLiteral("[/?#]"));
    const qsizetype hostEnd = rest.indexOf(authorityEnd);
    url.authority = rest.left(hostEnd);
    const qsizetype at = url.authority.lastIndexOf(u'@');
    url.hostHeader = url.authority.mid(at + 1);
    url.login = at < 0 ? Login() : Login::fromUserInfo(url.authority.left(at));
    if (hasControl(url.login.user) || hasControl(url.login.password))
        return {std::nullopt, ControlText};
    url.server = splitHostPort(url.authority, defaultPort(url.scheme));
    // The fragment names a place inside the file: it is never sent.
    const QString target = hostEnd < 0 ? QString() : rest.mid(hostEnd).section(u'#', 0, 0);
    const QString escaped = escapedTarget(target);
    url.text = (url.isTls() ? QStringLiteral("https://") : QString()) + url.hostHeader + escaped;
    url.fileName = localFileName(url.text);
    url.path = escaped.startsWith(u'/') ? escaped : u'/' + escaped;
    if (url.isFtp()) {
        const QByteArray decoded = QByteArray::fromPercentEncoding(url.path.toLatin1());
        if (hasControlByte(decoded))
            return {std::nullopt, ControlText};
        url.path = QString::fromUtf8(decoded);
    }
    return {url, QString()};
}

bool isSameOrigin(const Url &a, const Url &b)
{
    return a.scheme == b.scheme && a.server && b.server && a.server->port == b.server->port &&
           a.server->host.compare(b.server->host, Qt::CaseInsensitive) == 0;
}

quint16 defaultPort(Url::Scheme scheme)
{
    switch (scheme) {
    case Url::Scheme::Http:
        return HttpPort;
    case Url::Scheme::Https:
        return HttpsPort;
    case Url::Scheme::Ftp:
        return FtpPort;
    }
    return HttpPort;
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

QString withoutCredentials(const QString &url)
{
    static const QRegularExpression authorityEnd(QStringLiteral("[/?#]"));
    const qsizetype scheme = url.indexOf(QStringLiteral("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    const qsizetype end = url.indexOf(authorityEnd, start);
    const qsizetype at = QStringView(url).mid(start, end < 0 ? -1 : end - start).lastIndexOf(u'@');
    return at < 0 ? url : url.left(start) + url.mid(start + at + 1);
}

std::optional<HostPort> splitHostPort(const QString &hostText, quint16 defaultPort)
{
    // No authority holds a blank, and one would not survive the trimming of a kept URL.
    if (std::any_of(hostText.cbegin(), hostText.cend(), [](QChar c) { return c.isSpace(); }))
        return std::nullopt;
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

std::optional<Redirect> redirectTarget(const Url &url, const QByteArray &location)
{
    const QString locationText = QString::fromUtf8(location);
    const QUrl reference(locationText);
    const QString base = url.isTls() ? QStringLiteral("https://") : QStringLiteral("http://");
    const QUrl target = QUrl(base + url.hostHeader + url.path).resolved(reference);
    if (!reference.isValid() || !target.isValid())
        return std::nullopt;
    return Redirect{reference.isRelative() ? target.toString(QUrl::FullyEncoded) : locationText,
                    target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0};
}
