#pragma once

#include "wire/HttpAnswer.h"
#include "wire/ProxyChoice.h"

#include <QIODevice>
#include <QObject>
#include <QString>

#include <optional>

class QTcpSocket;

// Makes a socket's connection to a server along a route, and says when the server can be spoken
// to: straight; through Qt's SOCKS5 engine; through an HTTP proxy's tunnel, whose CONNECT request
// and answer are written and read here (an IPv6 address in brackets, the proxy's login sent at
// once); or, for requests in absolute form, to the HTTP proxy itself. Over TLS the server's
// certificate is verified for the server's name on every route. Nothing else reads the socket
// before ready(): the bytes that follow the proxy's answer stay in it. The connector is a child
// of its socket.
class Connector final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Connector)

public:
    explicit Connector(QTcpSocket &socket);

    // Connects the socket (a QSslSocket when tls) to server along route, from scratch.
    void open(const HostPort &server, const ProxyRoute &route, bool tls,
              QIODevice::OpenMode mode = QIODevice::ReadWrite);
    bool isReady() const { return m_phase == Phase::Ready; }
    // Why the connection failed, for an error of the socket, in words that name the proxy when
    // the proxy is the cause; nullopt for the server's faults, and once the server is reached.
    std::optional<QString> proxyFault(QAbstractSocket::SocketError error) const;

signals:
    // Connected to the server (over TLS: its certificate verified); requests may go out.
    void ready();
    // The HTTP proxy did not open the tunnel; text names it and says why. lasting: it refused
    // (its rules, its login); else it could not reach the server (5xx), which may mend.
    void refused(const QString &text, bool lasting);

private:
    enum class Phase
    {
        Idle,
        Connecting,  // to the server, or to the proxy
        Tunnelling,  // CONNECT sent, the proxy's answer not yet whole
        Handshaking, // TLS with the server
        Ready
    };

    void onConnected();
    void onReadyRead();
    void onEncrypted();
    void tunnelAnswered();
    void becomeReady();

    QTcpSocket &m_socket;
    HostPort m_server;
    ProxyRoute m_route;
    bool m_tls = false;
    Phase m_phase = Phase::Idle;
    HttpAnswer m_answer;
};
