#include "SilentServer.h"

SilentServer::SilentServer(const QByteArray &banner) : m_banner(banner)
{
    connect(this, &QTcpServer::newConnection, this, &SilentServer::acceptConnections);
    listen(QHostAddress::LocalHost, 0);
}

QString SilentServer::url(const QString &path) const
{
    return QStringLiteral("127.0.0.1:%1/").arg(serverPort()) + path;
}

void SilentServer::acceptConnections()
{
    while (QTcpSocket *socket = nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket] { m_received += socket->readAll(); });
        socket->write(m_banner);
    }
}
