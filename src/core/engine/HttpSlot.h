#pragma once

#include "engine/PackPiece.h"
#include "engine/PackSlot.h"
#include "engine/SlotWatch.h"
#include "store/ProjectAccess.h"
#include "wire/HttpAnswer.h"
#include "wire/ProxyChoice.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class Connector;
class QTcpSocket;
class SpeedLimit;

// What the slots of one download learn about their server: whether it takes a request before
// the previous answer has ended. One slot that finds it does not turns it off for every slot.
struct HttpServerHabits
{
    bool pipelining = true;
};

// One connection slot of an HTTP download. It fetches the pack it is given with a ranged GET over
// a connection of its own (TLS when the URL is "https://"), writes exactly the pack's bytes into
// the pack's piece file (kept open while the pack arrives) and says when the pack is complete.
//
// The connection is kept for the slot's next packs while the server allows it, and once an
// answer shows that it does, the slot asks for its next two packs and sends their requests
// before the current answer ends, so that the link stays full even where a pack takes less than
// a round trip. A server that closes a kept connection costs one reconnection; one that drops a
// request sent ahead, closing the connection or leaving it silent, turns sending ahead off.
//
// An answer that ends honestly short of its pack is followed at once by a request for the rest.
// A bad answer, a connection closed in the middle of an answer or a silent one (a header counts
// only once it is whole) is the slot's own business: it reconnects after a growing delay, which
// only bytes of the file reset, and continues after the bytes its piece already holds (or, from
// a server without ranges, takes the whole one-pack file again), while the other slots carry on.
// A bad answer is also reported as a refusal, and one that brought no byte of the file as such,
// so that the download can give up on a server that keeps refusing or sends nothing. Any other
// connection error halts the slot and is the download's business, as is a proxy that fails it.
//
// Under a speed limit the slot reads only what the limit allows and otherwise leaves the bytes
// with the system until its turn comes.
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
        std::optional<QSslConfiguration> tls; // set: the connection is made over TLS
        ServerValidators validators;          // of the version being fetched
        ProjectAccess access;                 // the login and what the browser handed over
        ProxyRoute route{};                   // through a proxy, or straight
    };
    using Timing = SlotWatch::Timing;

    HttpSlot(int number, const Target &target, const Timing &timing,
             std::shared_ptr<HttpServerHabits> habits, SpeedLimit *limit = nullptr,
             QObject *parent = nullptr);
    ~HttpSlot() override;

    void fetch(const Pack &pack, const QString &piecePath, qint64 have) override;
    void queue(const Pack &pack, const QString &piecePath, qint64 have) override;
    std::optional<Carried> unqueue() override;
    void halt() override;
    void drop() override;

    bool holdsPack() const override { return current().holds(); }
    const Pack &pack() const override { return current().pack(); }
    qint64 have() const override { return current().have(); }
    QString piecePath() const override { return current().path(); }

private:
    // The pack being received and those whose requests go out ahead of its answer.
    static constexpr int MaxPacks = 3;

    // The k-th pack the slot holds, in request order; 0 is the one being received.
    PackPiece &piece(int k) { return m_pieces.at((m_current + k) % MaxPacks); }
    const PackPiece &piece(int k) const { return m_pieces.at((m_current + k) % MaxPacks); }
    PackPiece &current() { return piece(0); }
    const PackPiece &current() const { return piece(0); }
    bool &requested(int k) { return m_requested.at((m_current + k) % MaxPacks); }
    int held() const; // the packs the slot holds

    void connectNow();
    QTcpSocket *newSocket();
    void Ferme_Connect();
    void onConnected();
    void sendRequests();
    void onReadyRead();
    qint64 allowance();
    void followLimit();
    qint64 takeHeader(const char *data, qint64 size);
    void acceptHeader();
    void askForNext();
    void refuse();
    bool isWholeFileAgain() const;
    bool restartPiece();
    qint64 takeBody(const char *data, qint64 size);
    void finishPack();
    void endAnswer();
    void onEndOfStream();
    void onStreamEnded();
    void onError(QAbstractSocket::SocketError error);
    void onStalled();
    // A request sent ahead is among the answers owed, from the from-th on.
    bool owesAhead(qsizetype from = 0) const;
    void failWrite(const QString &path);
    void failAnswer();
    void retryLater();
    void resetConnectionState();

    Target m_target;
    std::shared_ptr<HttpServerHabits> m_habits;
    QPointer<SpeedLimit> m_limit; // the engine's: a discarded download may outlive it
    bool m_held = false;          // the limit holds the rest of the data back until the slot's turn
    qint64 m_socketRate = 0;      // the limit the connection's buffers were set for
    QTcpSocket *m_socket = nullptr;
    Connector *m_connector = nullptr;         // m_socket's
    std::array<PackPiece, MaxPacks> m_pieces; // a ring, from m_current on
    int m_current = 0;
    std::array<bool, MaxPacks> m_requested{}; // per piece: its request is on the connection
    QByteArray m_buffer;
    QList<QSslError> m_sslErrors;

    // The connection, and the answers it still owes, in request order.
    struct Owed
    {
        qint64 first = 0;   // the first byte asked for
        bool ahead = false; // sent before the previous answer had ended
    };
    bool m_ready = false;    // connected (and, over TLS, the server verified)
    bool m_proven = false;   // the last answer on it said the server keeps it
    bool m_answered = false; // it has answered a request in full
    QList<Owed> m_owed;
    // Reading the first answer owed: its header, then bodyLeft bytes of body.
    HttpAnswer m_answer;
    bool m_inBody = false;
    qint64 m_bodyLeft = 0;
    bool m_keeps = false;    // the answer lets the connection carry the next request
    bool m_draining = false; // its pack is complete: the rest of its body is read and dropped
    bool m_fed = false;      // it has brought bytes of the file
    SlotWatch m_watch;
};
