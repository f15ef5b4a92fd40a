#pragma once

#include "ChildProcess.h"

#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// How a SquidServer proxies.
struct SquidOptions
{
    // CONNECT is refused to every other port, as proxies refuse it to all but 443. Squid port
    // values: "8443", "1024-65535".
    QStringList tunnelPorts{"443"};
    QString user{}, password{}; // when set, every request needs Basic proxy authorization as user
};

// A real squid for one test: an HTTP proxy on a free port of 127.0.0.1 and ::1 that caches
// nothing and resolves TestHosts' names too, run in the foreground from its own temporary folder.
// Started as root, squid works as the user "proxy", which then owns that folder. squid logs a
// request once it is finished, so poll requests() with QTRY_COMPARE. stop() or the destructor ends
// squid; it also dies with the test process.
class SquidServer final
{
public:
    struct Request
    {
        QString method; // "GET", "CONNECT"
        QString url;    // "http://127.0.0.1:8080/file.bin", "127.0.0.1:8443"
        int status = 0; // of squid's answer: 403 for a refused CONNECT, 407 for a missing login
        QString user;   // the proxy login, empty without one
    };

    explicit SquidServer(SquidOptions options = {});
    ~SquidServer() { stop(); }

    bool start(); // false with errorString() when squid does not come up
    void stop();
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    QList<Request> requests() const;

private:
    bool launch();
    QString serviceName() const { return QStringLiteral("quillfetch%1").arg(m_port); }
    void removeSharedMemory() const;

    SquidOptions m_options;
    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
