#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// The hand-off port of the running program ("Winsock_Listen"): Catchlink connects to it on this
// machine and sends one message, "--ZRK--" followed by a URL. It listens on the loopback address
// only, so nothing outside the machine reaches it, and it keeps listening while it serves: each
// connection is served on its own, so two hand-offs in quick succession both arrive. The first
// data of a connection is its whole message, after which the connection is closed; one that
// stays silent for the idle time is dropped.
class HandoffListener final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandoffListener)

public:
    static constexpr int IdleTimeoutMs = 10000; // Timer_Listen

    // port 0 lets the system choose (tests); idleTimeoutMs is IdleTimeoutMs in the program.
    HandoffListener(quint16 port, int idleTimeoutMs, QObject *parent = nullptr);

    // Starts listening. False when the port is taken: the hand-off then never arrives.
    bool open();
    QHostAddress serverAddress() const { return m_server.serverAddress(); }
    quint16 serverPort() const { return m_server.serverPort(); }

signals:
    // A message arrived, a hand-off or not: the "Projects" tab is to come forward.
    void messageArrived();
    // The message was a hand-off of this URL.
    void urlHandedOver(const QString &url);

private:
    void acceptConnections();
    void serve(QTcpSocket *socket);
    void readMessage(QTcpSocket *socket);

    QTcpServer m_server;
    quint16 m_port;
    int m_idleTimeoutMs;
};
