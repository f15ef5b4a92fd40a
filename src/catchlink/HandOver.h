#pragma once

#include "wire/HandoffMessage.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <QTimer>

// Carries one URL (with what the browser sends with it) into the running Quillfetch over its
// hand-off socket. It hands nothing over
// through a socket whose folder another user could enter. When nobody listens there, it starts
// Quillfetch once with "--ZRK--" and keeps trying: the first start of the program can take a
// while, and a URL handed over meanwhile must still arrive. Once connected it sends the
// message, closes its side so that Quillfetch sees the end, and is done when Quillfetch closes
// the connection, or at the latest after the linger time.
class HandOver final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandOver)

public:
    struct Intervals
    {
        int retryMs = 200;      // between two connection attempts
        int patienceMs = 10000; // from the first attempt until the user is told
        int lingerMs = 10000;   // Timer: from the connection until Catchlink ends anyway
    };

    // programPath: the Quillfetch to start; socketName: its hand-off socket.
    HandOver(const QString &programPath, const QString &socketName, const Intervals &intervals,
             QObject *parent = nullptr);

    void start(const HandedOver &handedOver);

signals:
    // delivered is false when Quillfetch could not be reached within the patience.
    void finished(bool delivered);

private:
    void connectToProgram();
    void onConnected();
    void onBytesWritten();
    void onErrorOccurred();
    bool startProgram() const;
    void finish(bool delivered);

    QString m_programPath;
    QString m_socketName;
    Intervals m_intervals;
    QLocalSocket Winsock;
    QTimer m_retry;
    QTimer Timer;
    QElapsedTimer m_trying;
    QByteArray m_message;
    bool m_programStarted = false;
    bool m_sent = false;
    bool m_finished = false;
};
