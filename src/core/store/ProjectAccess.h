#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A user name and password for a server.
struct Login
{
    QString user;
    QString password;

    bool isEmpty() const { return user.isEmpty() && password.isEmpty(); }
    bool operator==(const Login &) const = default;

    // "user:password" as a URL writes it before "@" (the password after the first ":"), its
    // escapes decoded as UTF-8.
    static Login fromUserInfo(const QString &userInfo);
};

// What the browser sends with a link it opens, handed over with the link: the cookies it holds
// for the link's URL (the value of a Cookie header), the address of the page as referer, and its
// user agent. Empty values were not handed over.
struct BrowserHeaders
{
    QString cookie;
    QString referer;
    QString userAgent;

    bool isEmpty() const { return cookie.isEmpty() && referer.isEmpty() && userAgent.isEmpty(); }
    bool operator==(const BrowserHeaders &) const = default;
};

// What a project's server is shown besides the URL: its login and what the browser handed over.
// Kept in the project folder as "access.qfd" ("user:", "password:", "cookie:", "referer:",
// "agent:" lines), a file only its owner may read, never in the project record.
struct ProjectAccess
{
    // A longer file is none of ours.
    static constexpr qsizetype MaxBytes = 256 * 1024;

    Login login;
    BrowserHeaders browser;

    bool isEmpty() const { return login.isEmpty() && browser.isEmpty(); }
    bool operator==(const ProjectAccess &) const = default;

    QByteArray toText() const;
    // Missing keys read as empty values; nullopt for a text over MaxBytes.
    static std::optional<ProjectAccess> parse(const QByteArray &text);
};

// A URL as a project keeps it (no scheme, or "https://") cut into the URL without the login
// written before its host, and that login. Records written before logins had a file of their
// own hold it there.
struct KeptUrl
{
    QString url;
    Login login;
};
KeptUrl splitKeptLogin(const QString &url);
