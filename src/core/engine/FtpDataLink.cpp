#include "engine/FtpDataLink.h"

#include "wire/Connector.h"

#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>

namespace {
// What may wait unread: a slot holds the data back until the server has accepted its restart
// offset.
constexpr qint64 ReadBufferBytes = 1024 * 1024;
constexpr qint64 PacedBufferBytes = 16 * 1024;

template<typename T>
void discard(T *&object)
{
    if (!object)
        return;
    object->disconnect();
    object->close();
    object->deleteLater();
    object = nullptr;
}
} // namespace

FtpDataLink::FtpDataLink(QObject *parent) : QObject(parent) {}

FtpDataLink::~FtpDataLink()
{
    close();
}

std::optional<quint16> FtpDataLink::listen(const QHostAddress &localAddress,
                                           const QHostAddress &serverAddress)
{
    close();
    m_serverAddress = serverAddress;
    m_server = new QTcpServer(this);
    m_server->setProxy(QNetworkProxy::NoProxy);
    connect(m_server, &QTcpServer::newConnection, this, &FtpDataLink::onNewConnection);
    if (!m_server->listen(localAddress, 0)) {
        discard(m_server);
        return std::nullopt;
    }
    return m_server->serverPort();
}

void FtpDataLink::connectTo(const HostPort &server, const ProxyRoute &route)
{
    close();
    auto *socket = new QTcpSocket(this);
    auto *connector = new Connector(*socket);
    connect(connector, &Connector::ready, this, &FtpDataLink::onConnected);
    connect(connector, &Connector::refused, this, &FtpDataLink::onDisconnected);
    adopt(socket);
    connector->open(server, route, false);
}

void FtpDataLink::close()
{
    discard(m_server);
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    m_connected = false;
    m_ended = false;
}

qint64 FtpDataLink::read(char *data, qint64 size)
{
    if (!m_connected)
        return 0; // a proxy's answer is its connector's
    return qMax<qint64>(0, m_socket->read(data, size));
}

void FtpDataLink::setPaced(qint64 receiveBuffer)
{
    if (receiveBuffer == m_receiveBuffer)
        return;
    m_receiveBuffer = receiveBuffer;
    pace();
}

// A connection whose limit was lifted keeps the receive buffer it had; the next one is the
// system's again.
void FtpDataLink::pace()
{
    if (!m_socket)
        return;
    m_socket->setReadBufferSize(m_receiveBuffer > 0 ? PacedBufferBytes : ReadBufferBytes);
    if (m_receiveBuffer > 0)
        m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, m_receiveBuffer);
}

void FtpDataLink::onNewConnection()
{
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        if (m_socket ||
            !socket->peerAddress().isEqual(m_serverAddress, QHostAddress::TolerantConversion)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setParent(this);
        adopt(socket);
        discard(m_server);
        onConnected();
    }
}

void FtpDataLink::adopt(QTcpSocket *socket)
{
    m_socket = socket;
    pace();
    connect(m_socket, &QTcpSocket::readyRead, this, &FtpDataLink::readyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &FtpDataLink::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &FtpDataLink::onError);
}

void FtpDataLink::onConnected()
{
    pace(); // a passive connection has no system socket to set up before
    m_connected = true;
    emit connected();
}

void FtpDataLink::onDisconnected()
{
    if (m_ended)
        return;
    m_ended = true;
    emit ended();
}

void FtpDataLink::onError()
{
    const QAbstractSocket::SocketError error = m_socket->error();
    if (error == QAbstractSocket::HostNotFoundError || error == QAbstractSocket::NetworkError)
        emit networkLost();
    else
        onDisconnected();
}
