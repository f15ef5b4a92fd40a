#pragma once

#include "engine/Backoff.h"
#include "engine/PackPiece.h"
#include "engine/PackSlot.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QString>
#include <QTimer>

class QTcpSocket;

// One connection slot of an HTTP download. It fetches the pack it is given over a connection of
// its own with a ranged GET, writes exactly the pack's bytes into the pack's piece file (kept
// open while the pack arrives) and says when the pack is complete. A bad answer, a connection
// closed early or a silent one is the slot's own business: it reconnects after a growing delay
// and continues after the bytes its piece already holds (or, from a server without ranges, takes
// the whole one-pack file again), while the other slots carry on. Any
// other connection error halts the slot and is the download's business.
class HttpSlot final : public PackSlot
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpSlot)

public:
    struct Target
    {
        QString hostHeader; // the URL's host text, sent as the Host line
        QString host;       // where to connect
        quint16 port = 0;
        QString path;
        qint64 fileSize = 0;
        ServerValidators validators; // of the version being fetched
    };
    struct Timing
    {
        int retryFirstMs = 1000;
        int retryMaxMs = 30000;
        int stallMs = 30000;
    };

    HttpSlot(int number, const Target &target, const Timing &timing, QObject *parent = nullptr);
    ~HttpSlot() override;

    void fetch(const Pack &pack, const QString &piecePath, qint64 have) override;
    void halt() override;
    void drop() override;

    bool holdsPack() const override { return m_piece.holds(); }
    const Pack &pack() const override { return m_piece.pack(); }
    qint64 have() const override { return m_piece.have(); }
    QString piecePath() const override { return m_piece.path(); }

private:
    enum class State
    {
        Idle,
        Connecting,
        AwaitingHeader,
        Receiving,
        WaitingRetry,
        Halted
    };

    void connectNow();
    void Ferme_Connect();
    void onConnected();
    void onReadyRead();
    void onEndOfStream();
    void onError(QAbstractSocket::SocketError error);
    void onStallCheck();
    void readHeader();
    void readBody();
    bool isWholeFileAgain(const QByteArray &header) const;
    bool restartPiece();
    bool store(const char *data, qint64 size);
    void finishPack();
    void failWrite();
    void retryLater();
    bool isConnectionActive() const;

    Target m_target;
    Timing m_timing;
    QTcpSocket *m_socket = nullptr;
    PackPiece m_piece;
    QTimer m_retryTimer;
    QTimer m_stallTimer;
    QByteArray m_header;
    QByteArray m_buffer;
    qint64 m_first = 0;
    qint64 m_bodyLeft = 0; // of the answer being received, by its Content-Length
    Backoff m_retryDelay;
    State m_state = State::Idle;
    bool m_activity = false;
    int m_silentChecks = 0;
};
