#pragma once

#include "engine/PackPiece.h"
#include "engine/PackSlot.h"
#include "engine/SlotWatch.h"
#include "wire/FtpCommands.h"
#include "wire/FtpReplies.h"
#include "wire/ProxyChoice.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

class Connector;
class FtpDataLink;
class QTcpSocket;
class SpeedLimit;

// One connection slot of an FTP download. For the pack it is given it opens a control
// connection, sends the whole request at once (login, binary type, data port, restart offset,
// file), receives the file from the pack's first missing byte over a data connection and writes
// exactly the pack's bytes into the pack's piece file (kept open while the pack arrives). Once
// the piece holds the whole pack it sends "ABOR" and "QUIT" and closes both connections.
//
// Before any data is stored, the SIZE (and MDTM) answers must show the version being fetched:
// another size or time halts the slot and reports the file changed.
//
// Every reply is read by its code: a refusal of any command, or a restart offset the server did
// not accept, ends the attempt before a byte of it is written, and the slot tries again after a
// growing delay, as it does when the data connection ends early, never comes or falls silent.
// A permanent refusal (5xx) is also reported, so that the download can give up on a server
// that keeps refusing.
// When the server refuses active mode or never connects, the slot asks for passive mode (EPSV,
// then PASV) instead; the slots of a download share the mode that worked. Through a proxy,
// which no server can connect back through, the passive modes alone are asked for, and the data
// connection goes through the proxy as the control connection does. Any other error of the
// control connection, and a proxy that fails it, halts the slot and is the download's business.
class FtpSlot final : public PackSlot
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FtpSlot)

public:
    struct Target
    {
        QString host; // where to connect
        quint16 port = 0;
        QString path;
        qint64 fileSize = 0; // of the version being fetched
        QByteArray time;     // its MDTM time; empty when the server keeps none
        Login login;         // anonymous when empty
        ProxyRoute route{};  // Direct, Connect or Socks5
    };
    struct Timing
    {
        SlotWatch::Timing watch;
        int dataWaitMs = 15000; // the longest wait for the first byte of data
        int connectDelayMs = 0; // the slot's FTP timer: a pack's connection opens this late
    };

    // dataMode: how the slots of one download ask for their data connections, the passive
    // mode that worked once the server refused active mode.
    FtpSlot(int number, const Target &target, const Timing &timing,
            std::shared_ptr<FtpDataMode> dataMode, SpeedLimit *limit = nullptr,
            QObject *parent = nullptr);
    ~FtpSlot() override;

    // The connection for the pack opens once the slot's FTP timer fires.
    void fetch(const Pack &pack, const QString &piecePath, qint64 have) override;
    // Sends "ABOR" and "QUIT" on an open control connection before closing it.
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
        Scheduled,
        Connecting,
        Requested,
        WaitingRetry,
        Halted
    };
    // Why an attempt ended before its pack was complete.
    struct Failure
    {
        bool refused = false;  // the server refused the data connection asked for
        bool timedOut = false; // no data in time
    };

    void connectNow();
    void Ferme_Connect();
    void onControlConnected();
    QByteArray dataCommand();
    void sendClosingText();
    void onControlReadyRead();
    void onControlEnded();
    void onControlError(QAbstractSocket::SocketError error);
    void handleReply(const FtpReply &reply);
    void checkVersion(const QByteArray &text);
    void openPassiveLink(const std::optional<quint16> &port);
    void onDataConnected();
    void onDataEnded();
    void onDataWaitOver();
    void onStalled();
    void onNetworkLost();
    void onConnectionFailed();
    void drain();
    qint64 allowance();
    bool isHeldBack() const;
    bool store(const char *data, qint64 size);
    void finishPack();
    void failWrite();
    void failAttempt(const Failure &failure);
    std::optional<FtpDataMode> fallbackMode(const Failure &failure) const;
    bool isAttemptActive() const;
    void stopAttempt();
    void retryLater();

    Target m_target;
    std::shared_ptr<FtpDataMode> m_sharedMode;
    QTcpSocket *m_control = nullptr;
    Connector *m_connector = nullptr; // m_control's
    QPointer<SpeedLimit> m_limit;     // the engine's: a discarded download may outlive it
    FtpDataLink *m_link;
    FtpReplies m_replies;
    PackPiece m_piece;
    QTimer Timer_FTP;
    QTimer m_dataWaitTimer;
    QByteArray m_buffer;
    SlotWatch m_watch;
    qint64 m_offset = 0;
    State m_state = State::Idle;
    FtpDataMode m_mode = FtpDataMode::Active;
    bool m_restAccepted = false;
    int m_versionReplies = 0; // the 213 answers read in this attempt
    qint64 m_serverSize = -1;
    bool m_versionChecked = false;
    bool m_passiveAnswered = false;
    bool m_dataEnded = false;
    bool m_firstData = false;
};
