#include "wire/Connector.h"

#include "wire/HttpRequest.h"

#include <QNetworkProxy>
#include <QSslSocket>

Connector::Connector(QTcpSocket &socket) : QObject(&socket), m_socket(socket)
{
    connect(&socket, &QTcpSocket::connected, this, &Connector::onConnected);
    connect(&socket, &QTcpSocket::readyRead, this, &Connector::onReadyRead);
    if (auto *tls = qobject_cast<QSslSocket *>(&socket))
        connect(tls, &QSslSocket::encrypted, this, &Connector::onEncrypted);
}

// Qt's sockets would follow a proxy of the system's on their own: none is used unless the route
// names it.
void Connector::open(const HostPort &server, const ProxyRoute &route, bool tls,
                     QIODevice::OpenMode mode)
{
    m_server = server;
    m_route = route;
    m_tls = tls;
    m_phase = Phase::Connecting;
    m_answer.clear();
    auto *tlsSocket = tls ? qobject_cast<QSslSocket *>(&m_socket) : nullptr;
    if (tlsSocket)
        tlsSocket->setPeerVerifyName(server.host);
    const bool socks = route.way == ProxyRoute::Way::Socks5;
    m_socket.setProxy(socks ? route.proxy.socks5() : QNetworkProxy(QNetworkProxy::NoProxy));
    if (route.way == ProxyRoute::Way::Connect || route.way == ProxyRoute::Way::Forward)
        m_socket.connectToHost(route.proxy.server.host, route.proxy.server.port, mode);
    else if (tlsSocket)
        tlsSocket->connectToHostEncrypted(server.host, server.port, mode);
    else
        m_socket.connectToHost(server.host, server.port, mode);
}

std::optional<QString> Connector::proxyFault(QAbstractSocket::SocketError error) const
{
    switch (m_phase) {
    case Phase::Connecting:
        return proxyFaultText(m_route, error);
    case Phase::Tunnelling:
        return QStringLiteral("The proxy ") + m_route.proxy.server.text() +
               QStringLiteral(" closed the connection.");
    default:
        return std::nullopt;
    }
}

void Connector::onConnected()
{
    if (m_phase != Phase::Connecting)
        return;
    if (m_route.way == ProxyRoute::Way::Connect) {
        m_phase = Phase::Tunnelling;
        m_socket.write(HttpRequest::connectText(m_server.text(), m_route.proxy.authorization()));
    } else if (m_tls && m_route.way != ProxyRoute::Way::Forward) {
        m_phase = Phase::Handshaking;
    } else {
        becomeReady();
    }
}

// The answer is taken a line at a time, so that what follows it stays in the socket.
void Connector::onReadyRead()
{
    while (m_phase == Phase::Tunnelling && m_socket.canReadLine()) {
        m_answer.append(m_socket.readLine());
        if (m_answer.state() != HttpAnswer::State::Incomplete)
            tunnelAnswered();
    }
    if (m_phase == Phase::Tunnelling && m_socket.bytesAvailable() > HttpAnswer::MaxHeaderBytes)
        tunnelAnswered();
}

void Connector::onEncrypted()
{
    if (m_phase == Phase::Handshaking)
        becomeReady();
}

void Connector::tunnelAnswered()
{
    const std::optional<int> status =
        m_answer.state() == HttpAnswer::State::Complete ? m_answer.statusCode() : std::nullopt;
    if (status && *status >= 200 && *status <= 299) {
        if (auto *tls = m_tls ? qobject_cast<QSslSocket *>(&m_socket) : nullptr) {
            m_phase = Phase::Handshaking;
            tls->startClientEncryption();
        } else {
            becomeReady();
        }
        return;
    }
    m_phase = Phase::Idle;
    if (!status)
        emit refused(QStringLiteral("The proxy ") + m_route.proxy.server.text() +
                         QStringLiteral(" does not answer as an HTTP proxy."),
                     true);
    else
        emit refused(proxyRefusalText(m_route.proxy, *status, m_server), *status < 500);
}

void Connector::becomeReady()
{
    m_phase = Phase::Ready;
    emit ready();
}
