#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

// Carries one URL into the running Quillfetch over its hand-off port on this machine. When
// nobody listens there, it starts Quillfetch once with "--ZRK--" and keeps trying: the first
// start of the program can take a while, and a URL handed over meanwhile must still arrive.
// Once connected it sends the message and is done when Quillfetch closes the connection, or
// at the latest after the linger time.
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

    // programPath: the Quillfetch to start; port: its hand-off port on 127.0.0.1.
    HandOver(const QString &programPath, quint16 port, const Intervals &intervals,
             QObject *parent = nullptr);

    void start(const QString &url);

signals:
    // delivered is false when Quillfetch could not be reached within the patience.
    void finished(bool delivered);

private:
    void connectToProgram();
    void onConnected();
    void onErrorOccurred();
    bool startProgram() const;
    void finish(bool delivered);

    QString m_programPath;
    quint16 m_port;
    Intervals m_intervals;
    QTcpSocket Winsock;
    QTimer m_retry;
    QTimer Timer;
    QElapsedTimer m_trying;
    QByteArray m_message;
    bool m_programStarted = false;
    bool m_sent = false;
    bool m_finished = false;
};
