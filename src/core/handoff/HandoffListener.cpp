#include "handoff/HandoffListener.h"

#include "handoff/HandoffMessage.h"

#include <QTcpSocket>
#include <QTimer>

HandoffListener::HandoffListener(quint16 port, int idleTimeoutMs, QObject *parent)
    : QObject(parent), m_port(port), m_idleTimeoutMs(idleTimeoutMs)
{
    connect(&m_server, &QTcpServer::newConnection, this, &HandoffListener::acceptConnections);
}

bool HandoffListener::open()
{
    return m_server.listen(QHostAddress::LocalHost, m_port);
}

void HandoffListener::acceptConnections()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection())
        serve(socket);
}

// The socket, its idle timer and its handlers go together when the connection ends.
void HandoffListener::serve(QTcpSocket *socket)
{
    // One byte past the limit is enough to know a message is too long.
    socket->setReadBufferSize(HandoffMessage::MaxBytes + 1);
    auto *idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readMessage(socket); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::errorOccurred, socket, &QTcpSocket::abort);
    idle->start(m_idleTimeoutMs);
    if (socket->bytesAvailable() > 0)
        readMessage(socket);
}

// Only the first arrival of a connection is read: it is the whole message.
void HandoffListener::readMessage(QTcpSocket *socket)
{
    const QByteArray message = socket->readAll();
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    socket->abort();
    emit messageArrived();
    if (const auto url = HandoffMessage::urlOf(message))
        emit urlHandedOver(*url);
}
