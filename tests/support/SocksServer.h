#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A real SOCKS5 proxy for one test (Debian's microsocks) on a free port of 127.0.0.1: it connects
// to the address or the host name a client asks for, resolving names itself (TestHosts' names too),
// and logs each connection it makes as the client named the target. The destructor ends it; it also
// dies with the test process.
class SocksServer final
{
public:
    SocksServer();
    ~SocksServer();

    bool start(); // false with errorString() when the proxy does not come up
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }

    // "localhost:8080", "127.0.0.1:8080", "::1:8080": each target reached, in order.
    QStringList connections() const;

private:
    bool launch();
    QString logPath() const { return m_folder.filePath(QStringLiteral("connections.log")); }

    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
