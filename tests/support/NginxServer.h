#pragma once

#include "ChildProcess.h"

#include <QFile>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// How an NginxServer serves its folder. A slowed response goes out in sendfileMaxChunk writes
// spaced to keep limitRate; nginx never delays the last write, so the final chunk comes at once.
struct NginxOptions
{
    qint64 limitRate = 0;        // bytes per second per connection, 0 = unlimited
    qint64 sendfileMaxChunk = 0; // bytes per write (e.g. 64000), 0 = unlimited
    QStringList serverLines{};   // raw lines inside server {}, e.g. "keepalive_timeout 0;"
    // HTTPS with a self-signed certificate that openssl makes at start, for 127.0.0.1, ::1,
    // localhost and TestHosts::Ipv6Only: it verifies only where a test trusts caFile().
    enum class Tls
    {
        Off,
        TestAuthority
    } tls = Tls::Off;
    bool ipv6 = false; // on ::1 instead of 127.0.0.1

    // Paths under path ("/private/") answer 401 without Basic authorization as user. A password
    // may hold any character, ':' too.
    struct Login
    {
        QString path, user, password;
    };
    QList<Login> logins{};
    // Paths ("/get/3f9a") and the Content-Disposition value their file goes out with.
    QList<std::pair<QString, QString>> dispositions{};
    // Paths under path answer 403 unless the request carries the cookie name=value and a
    // Referer that starts with referer, as a site serves only the visitors of its own pages.
    struct Gate
    {
        QString path, cookieName, cookieValue, referer;
    };
    QList<Gate> gates{};
};

// A real nginx for one test: serves rootFolder on a free loopback port from its own temporary
// prefix, in the foreground without a master process, so it never switches user. nginx logs a
// request once its response is finished, so poll requests() with QTRY_COMPARE. stop() or the
// destructor ends nginx; it also dies with the test process.
class NginxServer final
{
public:
    // The headers are empty when the request had none.
    struct Request
    {
        QString range;         // the Range header
        qint64 connection = 0; // nginx's serial number of the connection
        int status = 0;        // of the answer
        QString target;        // "/private/file.bin?x=1", as the request line had it
        QString cookie;
        QString referer;
        QString userAgent;
        QString authorization;
    };

    explicit NginxServer(const QString &rootFolder, NginxOptions options = {});
    ~NginxServer() { stop(); }

    bool start(); // false with errorString() when nginx does not come up
    void stop() { ChildProcess::stop(m_process); }
    bool restart() { return launch(); } // after stop(): the same port and access log
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    // "127.0.0.1:PORT/path", "[::1]:PORT/path" when nginx listens on ::1; "https://..." over TLS.
    QString url(const QString &path) const;
    QString caFile() const { return m_prefix.filePath(QStringLiteral("cert.pem")); }

    QList<Request> requests() const;
    // Truncates the log nginx appends to, e.g. to count only the requests after a probe.
    void clearAccessLog() { QFile::resize(m_prefix.filePath(QStringLiteral("access.log")), 0); }

private:
    bool launch();

    QString m_rootFolder;
    NginxOptions m_options;
    QStringList m_locations;
    QTemporaryDir m_prefix;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
