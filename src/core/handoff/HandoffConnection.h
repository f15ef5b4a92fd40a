#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QLocalSocket;

// One connection to the hand-off socket: gathers what the peer sends, in as many pieces as it
// comes, until the peer closes its side; then closes too and reports the whole. A peer that
// sends more than a message may hold, or is not done within the time limit, is cut off: what it
// sent is no message. The connection deletes itself once it has reported.
class HandoffConnection final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandoffConnection)

public:
    // Takes the socket over.
    explicit HandoffConnection(QLocalSocket *socket, QObject *parent = nullptr);

    // Reads what came already (the peer may even be gone) and starts the time limit.
    void start(int timeLimitMs);

signals:
    // whole: the peer closed its side within the limits, so received is its message.
    void ended(const QByteArray &received, bool whole);

private:
    void read();
    void end(bool whole);

    QLocalSocket *m_socket;
    QTimer m_limit;
    QByteArray m_received;
    bool m_ended = false;
};
