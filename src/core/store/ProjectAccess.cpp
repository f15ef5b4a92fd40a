#include "store/ProjectAccess.h"

#include "store/TextLines.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

QString decoded(QStringView text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
}

} // namespace

Login Login::fromUserInfo(const QString &userInfo)
{
    const qsizetype colon = userInfo.indexOf(u':');
    if (colon < 0)
        return {decoded(userInfo), QString()};
    return {decoded(QStringView(userInfo).left(colon)),
            decoded(QStringView(userInfo).mid(colon + 1))};
}

QByteArray ProjectAccess::toText() const
{
    return TextLines::line("user:", login.user) + TextLines::line("password:", login.password) +
           TextLines::line("cookie:", browser.cookie) +
           TextLines::line("referer:", browser.referer) +
           TextLines::line("agent:", browser.userAgent);
}

std::optional<ProjectAccess> ProjectAccess::parse(const QByteArray &text)
{
    if (text.size() > MaxBytes)
        return std::nullopt;
    TextLines::KeyReader reader(text);
    const auto value = [&reader](const char *key) {
        return QString::fromUtf8(reader.next(key).value_or(QByteArray()));
    };
    ProjectAccess access;
    access.login.user = value("user:");
    access.login.password = value("password:");
    access.browser.cookie = value("cookie:");
    access.browser.referer = value("referer:");
    access.browser.userAgent = value("agent:");
    return access;
}

KeptUrl splitKeptLogin(const QString &url)
{
    static const QRegularExpression authorityEnd(QStringLiteral("[/?#]"));
    const qsizetype start =
        url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) ? qsizetype(8) : 0;
    const qsizetype end = url.indexOf(authorityEnd, start);
    const QString authority = url.mid(start, end < 0 ? -1 : end - start);
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at < 0)
        return {url, {}};
    return {url.left(start) + url.mid(start + at + 1), Login::fromUserInfo(authority.left(at))};
}
