#include "handoff/HandoffConnection.h"

#include "wire/HandoffMessage.h"

#include <QLocalSocket>

HandoffConnection::HandoffConnection(QLocalSocket *socket, QObject *parent)
    : QObject(parent), m_socket(socket)
{
    m_socket->setParent(this);
    // One byte past the limit is enough to know a message is too long.
    m_socket->setReadBufferSize(HandoffMessage::MaxBytes + 1);
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] { end(false); });
    connect(m_socket, &QLocalSocket::readyRead, this, &HandoffConnection::read);
    connect(m_socket, &QLocalSocket::disconnected, this, [this] {
        read();
        end(true);
    });
    connect(m_socket, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError e) {
        if (e != QLocalSocket::PeerClosedError)
            end(false);
    });
}

void HandoffConnection::start(int timeLimitMs)
{
    m_limit.start(timeLimitMs);
    read();
    if (m_socket->state() == QLocalSocket::UnconnectedState)
        end(true);
}

void HandoffConnection::read()
{
    m_received += m_socket->read(HandoffMessage::MaxBytes + 1 - m_received.size());
    if (m_received.size() > HandoffMessage::MaxBytes)
        end(false);
}

void HandoffConnection::end(bool whole)
{
    if (m_ended)
        return;
    m_ended = true;
    m_limit.stop();
    m_socket->disconnect(this);
    m_socket->abort();
    emit ended(m_received, whole);
    deleteLater();
}
