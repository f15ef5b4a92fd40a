#pragma once

#include <QTcpServer>
#include <QTcpSocket>

// Accepts TCP connections on 127.0.0.1 (port chosen by the system), sends each an optional
// banner (e.g. "220 Ready\r\n") and then never answers, keeping the connections open until it is
// destroyed: for probe and transfer time-outs. It records what clients send.
class SilentServer final : public QTcpServer
{
public:
    explicit SilentServer(const QByteArray &banner = {});

    QString url(const QString &path) const; // "127.0.0.1:PORT/path", no scheme
    int connectionCount() const { return int(findChildren<QTcpSocket *>().size()); }
    QByteArray received() const { return m_received; } // from all connections, in arrival order

private:
    void acceptConnections();

    QByteArray m_banner;
    QByteArray m_received;
};
