#pragma once

#include "wire/ProxyChoice.h"

#include <QHostAddress>
#include <QObject>

#include <optional>

class QTcpServer;
class QTcpSocket;

// The data connection of one FTP request. In active mode it listens on the local address of
// the control connection, never on every interface, and takes the first connection that comes
// from the server's address, refusing any other; in passive mode it connects to the port the
// server named, at the server's address or through the control connection's proxy. Bytes that
// wait when the connection ends can still be read.
class FtpDataLink final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FtpDataLink)

public:
    explicit FtpDataLink(QObject *parent = nullptr);
    ~FtpDataLink() override;

    // The port listened on, chosen by the system; nullopt when nothing can listen there.
    std::optional<quint16> listen(const QHostAddress &localAddress,
                                  const QHostAddress &serverAddress);
    // The proxy's refusal ends the connection.
    void connectTo(const HostPort &server, const ProxyRoute &route);
    // Closes the connection or the listener; no signal comes from them any more.
    void close();

    bool isConnected() const { return m_connected; }
    // Up to size bytes of what has arrived; 0 when nothing waits.
    qint64 read(char *data, qint64 size);
    // Under a speed limit (receiveBuffer: what the system keeps for the connection; 0: no
    // limit) little waits unread in the program: the rest waits in the system.
    void setPaced(qint64 receiveBuffer);

signals:
    void connected();
    void readyRead();
    // The connection ended, closed by the server or broken.
    void ended();
    // Host not found or the network is down.
    void networkLost();

private:
    void onNewConnection();
    void adopt(QTcpSocket *socket);
    void pace();
    void onConnected();
    void onDisconnected();
    void onError();

    QTcpServer *m_server = nullptr;
    QTcpSocket *m_socket = nullptr;
    QHostAddress m_serverAddress;
    bool m_connected = false;
    bool m_ended = false;
    qint64 m_receiveBuffer = 0;
};
