#include "SilentServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

SilentServer::SilentServer(const QByteArray &banner, QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this)), m_banner(banner)
{
    connect(m_server, &QTcpServer::newConnection, this, &SilentServer::acceptConnections);
    m_server->listen(QHostAddress::LocalHost, 0);
}

SilentServer::~SilentServer() = default;

bool SilentServer::isListening() const
{
    return m_server->isListening();
}

quint16 SilentServer::port() const
{
    return m_server->serverPort();
}

QString SilentServer::url(const QString &path) const
{
    const QString slash = path.startsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
    return QStringLiteral("127.0.0.1:%1").arg(port()) + slash + path;
}

void SilentServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            m_received += socket->readAll();
            emit dataReceived();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->write(m_banner);
        emit connectionAccepted(++m_connections);
    }
}
