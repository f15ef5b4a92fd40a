#include "handoff/HandoffListener.h"

#include "handoff/HandoffConnection.h"
#include "platform/HandoffSocket.h"
#include "wire/HandoffMessage.h"

HandoffListener::HandoffListener(const QString &socketName, int idleTimeoutMs, QObject *parent)
    : QObject(parent), m_socketName(socketName), m_idleTimeoutMs(idleTimeoutMs)
{
    // While MaxConnections are served, the server keeps what it accepts; holding more than one,
    // it stops accepting until a served connection ends. A flood of connections that send
    // nothing so takes a few descriptors, and the listener waits for them instead of spinning.
    m_server.setMaxPendingConnections(1);
    connect(&m_server, &QLocalServer::newConnection, this, &HandoffListener::acceptConnections);
}

bool HandoffListener::open()
{
    if (!HandoffSocket::isPrivate(m_socketName))
        return false;
    if (HandoffSocket::isAbandoned(m_socketName))
        QLocalServer::removeServer(m_socketName);
    return m_server.listen(m_socketName);
}

// A server that stopped listening has no queue to take from (QLocalServer would crash).
void HandoffListener::acceptConnections()
{
    while (m_serving < MaxConnections && m_server.isListening() &&
           m_server.hasPendingConnections()) {
        auto *connection = new HandoffConnection(m_server.nextPendingConnection(), this);
        ++m_serving;
        connect(connection, &HandoffConnection::ended, this, &HandoffListener::connectionEnded);
        connection->start(m_idleTimeoutMs);
    }
}

void HandoffListener::connectionEnded(const QByteArray &received, bool whole)
{
    --m_serving;
    // The server stops listening when it cannot accept, when no descriptor is left; the
    // connection that just ended has freed one.
    if (!m_server.isListening())
        open();
    acceptConnections();
    if (!received.isEmpty())
        emit messageArrived();
    if (const auto url = whole ? HandoffMessage::urlOf(received) : std::nullopt)
        emit urlHandedOver(*url);
}
