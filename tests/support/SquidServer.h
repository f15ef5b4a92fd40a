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
    explicit SquidServer(SquidOptions options = {});
    ~SquidServer() { stop(); }

    bool start(); // false with errorString() when squid does not come up
    void stop();
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }

    // "GET http://127.0.0.1:8080/file.bin 200 -", "CONNECT 127.0.0.1:8443 403 -": the method, the
    // URL, squid's status and the proxy login ("-" without one) of each finished request.
    QStringList requests() const;

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
