#pragma once

#include "wire/HandoffMessage.h"

#include <QLocalServer>
#include <QObject>
#include <QString>

// The hand-off socket of the running program ("Winsock_Listen"): Catchlink connects to it and
// sends one message, "--ZRK--" followed by a URL (and what the browser sends with it), then
// closes its side. It is a local socket in a folder only this user may enter
// (platform/HandoffSocket), so no other user can hand over a URL or listen in its place. It
// keeps listening while it serves: each connection is read on its own until the peer closes it,
// so two hand-offs in quick succession both arrive; one that is not done within the idle time
// is dropped.
class HandoffListener final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandoffListener)

public:
    static constexpr int IdleTimeoutMs = 10000; // Timer_Listen
    // Connections served at once; further ones wait until one of these ends.
    static constexpr int MaxConnections = 8;

    // socketName is HandoffSocket::name() in the program; idleTimeoutMs is IdleTimeoutMs there.
    HandoffListener(const QString &socketName, int idleTimeoutMs, QObject *parent = nullptr);

    // Starts listening. False when the socket's folder is not private to this user, or another
    // live program listens on the socket already: the hand-off then never arrives.
    bool open();
    bool isListening() const { return m_server.isListening(); }

signals:
    // A message arrived, a hand-off or not: the "Projects" tab is to come forward.
    void messageArrived();
    // The message was a hand-off of a URL, with what the browser sends with it.
    void urlHandedOver(const HandedOver &handedOver);

private:
    void acceptConnections();
    void connectionEnded(const QByteArray &received, bool whole);

    QLocalServer m_server;
    QString m_socketName;
    int m_idleTimeoutMs;
    int m_serving = 0;
};
