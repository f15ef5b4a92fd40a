#include "engine/HttpSlot.h"

#include "engine/SpeedLimit.h"
#include "wire/Connector.h"
#include "wire/HttpRequest.h"
#include "wire/PackAnswer.h"
#include "wire/TlsTrust.h"

#include <QFile>
#include <QSslSocket>

#include <algorithm>

namespace {
// Past its pack, an answer is read to its end only when that is cheaper than a new connection
// (a server that sends the whole file is left at once).
constexpr qint64 MaxDrainBytes = 64 * 1024;
// What a TLS connection decrypts ahead of the slot under a speed limit: one record. Without a
// limit it takes whatever has arrived.
constexpr qint64 PacedTlsBufferBytes = 16 * 1024;
// A connection whose limit was lifted cannot give its receive buffer back to the system's
// tuning: it gets one large enough for a fast link.
constexpr qint64 FreeReceiveBufferBytes = 4 * 1024 * 1024;
} // namespace

HttpSlot::HttpSlot(int number, const Target &target, const Timing &timing,
                   std::shared_ptr<HttpServerHabits> habits, SpeedLimit *limit, QObject *parent)
    : PackSlot(number, parent), m_target(target), m_habits(std::move(habits)), m_limit(limit),
      m_buffer(SlotWatch::ReadChunk, Qt::Uninitialized),
      // Only a connection that owes an answer (or is still being made) can stall.
      m_watch(timing, [this] { return !m_ready || !m_owed.isEmpty(); })
{
    connect(&m_watch, &SlotWatch::retryDue, this, &HttpSlot::connectNow);
    connect(&m_watch, &SlotWatch::stalled, this, &HttpSlot::onStalled);
}

HttpSlot::~HttpSlot()
{
    Ferme_Connect();
}

// A slot that halted (or holds a pack) starts afresh; an idle one keeps its connection.
void HttpSlot::fetch(const Pack &pack, const QString &piecePath, qint64 have)
{
    if (current().holds())
        drop();
    current().take(pack, piecePath, have);
    if (!current().open()) {
        failWrite(current().path());
        return;
    }
    if (m_socket)
        sendRequests();
    else
        connectNow();
}

void HttpSlot::queue(const Pack &pack, const QString &piecePath, qint64 have)
{
    PackPiece &queued = piece(held());
    queued.take(pack, piecePath, have);
    if (!queued.open()) {
        failWrite(queued.path());
        return;
    }
    sendRequests();
}

// The last pack queued comes back first, so that packs given back in turn keep their order.
std::optional<PackSlot::Carried> HttpSlot::unqueue()
{
    const int last = held() - 1;
    if (last < 1)
        return std::nullopt;
    PackPiece &queued = piece(last);
    const Carried carried{queued.pack(), queued.have()};
    queued.forget();
    // Nothing of it arrived: a fresh pack's piece, made empty when it was queued, goes.
    if (carried.have == 0)
        QFile::remove(queued.path());
    return carried;
}

// The packs held are the current one and those queued after it, without a gap.
int HttpSlot::held() const
{
    int count = 0;
    while (count < MaxPacks && piece(count).holds())
        ++count;
    return count;
}

void HttpSlot::halt()
{
    Ferme_Connect();
    m_watch.stop();
    for (PackPiece &piece : m_pieces)
        piece.close();
}

void HttpSlot::drop()
{
    halt();
    for (PackPiece &piece : m_pieces)
        piece.forget();
}

void HttpSlot::connectNow()
{
    Ferme_Connect();
    if (!current().holds())
        return;
    m_socket = newSocket();
    m_connector = new Connector(*m_socket);
    connect(m_connector, &Connector::ready, this, &HttpSlot::onConnected);
    connect(m_connector, &Connector::refused, this, &HttpSlot::onProxyRefused);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpSlot::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpSlot::onEndOfStream);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &HttpSlot::onError);
    m_watch.watch();
    const bool tls = m_target.tls.has_value();
    m_connector->open({m_target.host, m_target.port}, m_target.route, tls,
                      tls ? QIODevice::ReadWrite : QIODevice::ReadWrite | QIODevice::Unbuffered);
}

// A plain socket reads straight from the system (unbuffered); a TLS socket sends the request
// once the handshake has verified the server.
QTcpSocket *HttpSlot::newSocket()
{
    if (!m_target.tls)
        return new QTcpSocket(this);
    auto *socket = new QSslSocket(this);
    socket->setSslConfiguration(*m_target.tls);
    m_sslErrors.clear();
    connect(socket, &QSslSocket::sslErrors, this,
            [this](const QList<QSslError> &errors) { m_sslErrors = errors; });
    return socket;
}

void HttpSlot::Ferme_Connect()
{
    if (m_limit)
        m_limit->leave(this);
    m_held = false;
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
        m_connector = nullptr;
    }
    resetConnectionState();
}

void HttpSlot::resetConnectionState()
{
    m_ready = false;
    m_socketRate = 0;
    m_proven = false;
    m_answered = false;
    m_owed.clear();
    m_requested.fill(false);
    m_answer.clear();
    m_inBody = false;
    m_bodyLeft = 0;
    m_keeps = false;
    m_draining = false;
    m_fed = false;
}

// A limit's small receive window is set before the first byte is asked for.
void HttpSlot::onConnected()
{
    if (m_limit)
        followLimit();
    m_ready = true;
    m_watch.noteActivity();
    sendRequests();
}

// Requests go out in pack order, the current pack's first. Others go out before the answer to
// the first has ended only while the server is known to keep the connection and to take
// requests ahead; none goes out on a connection whose answer says it closes.
void HttpSlot::sendRequests()
{
    bool sentCurrent = false;
    for (int k = 0; k < MaxPacks; ++k) {
        const PackPiece &pack = piece(k);
        if (!pack.holds() || requested(k))
            continue;
        const bool ahead = !m_owed.isEmpty();
        const bool closing = m_inBody && !m_keeps;
        if (!m_ready || closing || (ahead && (!m_proven || !m_habits->pipelining)))
            break;
        const qint64 first = pack.nextOffset();
        m_socket->write(HttpRequest::packText(
            m_target.hostHeader, m_target.path, first, pack.pack().start + pack.pack().length,
            m_target.validators, m_target.access, m_target.route.forwarding()));
        m_owed.append({first, ahead});
        requested(k) = true;
        sentCurrent = sentCurrent || k == 0;
    }
    // Last: whoever hears it may pause the download at once.
    if (sentCurrent)
        emit statusChanged(number(), SlotState::SendingRequest);
}

// The socket is unbuffered: each read takes the bytes straight from the system into the
// slot's buffer, and a negative count means the stream ended (closed or reset). One read may
// hold the end of an answer and the start of the next, or bytes past the last answer owed (a
// server that answers twice): the server's fault, the connection goes. Body bytes count as
// activity, a header only once it is whole: each answer's header, on a new or a kept connection,
// must arrive whole within the stall interval.
void HttpSlot::onReadyRead()
{
    if (!m_ready)
        return; // the proxy's answer is its connector's
    const QTcpSocket *socket = m_socket;
    for (qint64 turn = 0; socket && m_socket == socket;) {
        if (turn >= SlotWatch::TurnBytes) {
            QMetaObject::invokeMethod(this, &HttpSlot::onReadyRead, Qt::QueuedConnection);
            return;
        }
        const qint64 allowed = allowance();
        if (allowed == 0)
            return;
        const qint64 size = m_socket->read(m_buffer.data(), allowed);
        if (m_limit && size > 0)
            m_limit->spend(size);
        if (size < 0)
            onStreamEnded();
        if (size <= 0)
            return;
        turn += size;
        const char *data = m_buffer.constData();
        for (qint64 left = size; left > 0 && m_socket == socket;) {
            if (!m_inBody && m_owed.isEmpty()) {
                retryLater(); // bytes that answer nothing asked
                return;
            }
            const qint64 used = m_inBody ? takeBody(data, left) : takeHeader(data, left);
            data += used;
            left -= used;
        }
    }
}

// How much the slot may read now; 0 while the speed limit holds it back, which is no silence
// of the server's.
qint64 HttpSlot::allowance()
{
    if (!m_limit)
        return m_buffer.size();
    followLimit();
    const qint64 allowed = m_limit->allowance(this, m_buffer.size(), [this] { onReadyRead(); });
    m_held = allowed == 0;
    if (m_held)
        m_watch.noteActivity();
    return allowed;
}

// Under a speed limit the bytes wait in the system, whose small receive window holds the server
// to the rate, and a TLS connection decrypts no more than a record ahead of the slot.
void HttpSlot::followLimit()
{
    const qint64 rate = m_limit->rate();
    if (rate == m_socketRate)
        return;
    m_socketRate = rate;
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                              rate > 0 ? m_limit->receiveBuffer() : FreeReceiveBufferBytes);
    if (auto *tls = qobject_cast<QSslSocket *>(m_socket))
        tls->setReadBufferSize(rate > 0 ? PacedTlsBufferBytes : 0);
}

// Returns how many of the bytes belong to the header (all of them while its end is missing).
qint64 HttpSlot::takeHeader(const char *data, qint64 size)
{
    if (m_answer.isEmpty())
        emit statusChanged(number(), SlotState::Downloading, current().pack().length);
    const qint64 used = m_answer.append(QByteArrayView(data, size));
    if (m_answer.state() == HttpAnswer::State::TooLarge)
        retryLater();
    else if (m_answer.state() == HttpAnswer::State::Complete)
        acceptHeader();
    return used;
}

void HttpSlot::acceptHeader()
{
    if (m_target.route.way == ProxyRoute::Way::Forward &&
        m_answer.statusCode() == ProxyLoginWanted) {
        onProxyRefused(proxyRefusalText(m_target.route.proxy, ProxyLoginWanted,
                                        {m_target.host, m_target.port}),
                       true);
        return;
    }
    const std::optional<PackAnswer::Change> change =
        PackAnswer::changeShown(m_answer, m_target.fileSize, m_target.validators);
    if (change) {
        halt();
        emit fileChanged(number(), change->size, change->validators);
        return;
    }
    if (isWholeFileAgain() && !restartPiece())
        return;
    if (!PackAnswer::accepts(m_answer, m_owed.constFirst().first, m_target.fileSize)) {
        refuse();
        return;
    }
    m_watch.noteActivity();
    m_keeps = m_answer.keepsConnection();
    m_proven = m_keeps;
    m_bodyLeft = m_answer.contentLength().value_or(0);
    m_inBody = true;
    m_answer.clear();
    askForNext();
    if (m_socket && m_bodyLeft == 0)
        endAnswer();
}

// A connection that keeps and takes requests ahead gets the slot's next packs, as many as it
// holds room for and the download has left.
void HttpSlot::askForNext()
{
    const QTcpSocket *socket = m_socket;
    while (m_socket == socket && m_keeps && m_habits->pipelining && held() < MaxPacks) {
        const int before = held();
        emit readyForNext(number());
        if (held() == before)
            return;
    }
}

// The answer is retried after the growing delay and reported as a refusal, unless the server
// errs (5xx). A body that does not fit a request sent ahead on the connection (or one with a
// request behind it) may be the answer to another request: sending ahead stops, and the
// mismatch counts only once it shows again one request at a time. A status counts at once.
void HttpSlot::refuse()
{
    const std::optional<ServerRefusal> refusal =
        PackAnswer::refusalOf(m_answer, m_owed.constFirst().first, m_target.fileSize);
    const bool ahead = m_owed.constFirst().ahead || m_owed.size() > 1;
    const bool mayAnswerAnother = ahead && refusal && refusal->kind != ServerRefusal::Kind::Status;
    if (mayAnswerAnother)
        m_habits->pipelining = false;
    retryLater();
    // Last: whoever hears it may pause the download at once.
    if (!refusal)
        emit serverBusy(number(), m_watch.retryDelayMs());
    else if (mayAnswerAnother)
        return;
    else if (refusal->kind == ServerRefusal::Kind::NoData)
        emit nothingReceived(number(), m_watch.retryDelayMs());
    else
        emit refused(number(), *refusal);
}

// A server without ranges answers a continued request with the whole file. When the pack is the
// whole file, that answer serves: the piece is written again from its start.
bool HttpSlot::isWholeFileAgain() const
{
    const Pack &pack = current().pack();
    return m_owed.constFirst().first > 0 && pack.start == 0 && pack.length == m_target.fileSize &&
           PackAnswer::accepts(m_answer, 0, m_target.fileSize);
}

bool HttpSlot::restartPiece()
{
    const qint64 lost = current().have();
    if (!current().restart()) {
        failWrite(current().path());
        return false;
    }
    m_owed.first().first = 0;
    emit pieceRestarted(lost);
    return true;
}

// Writes what belongs to the pack; the rest of the body (the byte past the pack that the range
// asks for) is read and dropped. Returns how many of the bytes belong to this answer.
qint64 HttpSlot::takeBody(const char *data, qint64 size)
{
    const qint64 take = qMin(size, m_bodyLeft);
    m_bodyLeft -= take;
    m_watch.noteActivity();
    if (!m_draining) {
        const qint64 stored = current().write(data, take);
        if (stored < 0) {
            failWrite(current().path());
            return size;
        }
        if (stored > 0) {
            m_fed = true;
            m_watch.resetDelay();
        }
        emit received(stored);
        if (current().isComplete()) {
            const QTcpSocket *socket = m_socket;
            m_draining = true;
            finishPack();
            if (m_socket == socket && m_bodyLeft > MaxDrainBytes)
                connectNow();
            if (m_socket != socket)
                return size;
        }
    }
    if (m_bodyLeft == 0)
        endAnswer();
    return take;
}

// The queued pack, if any, becomes the current one before the download hears of the
// completion, so that it hands this slot a new pack only when it has none.
void HttpSlot::finishPack()
{
    const qint64 done = current().pack().number;
    current().forget();
    requested(0) = false;
    m_current = (m_current + 1) % MaxPacks;
    emit packComplete(number(), done);
}

// An answer that ended short of its pack, by its own Content-Length, is followed at once by a
// request for the rest: on the same connection when the server keeps it and nothing was asked
// ahead on it (that answer would come first), else on a new one. One that brought nothing waits
// for the growing delay.
void HttpSlot::endAnswer()
{
    const bool packWhole = m_draining;
    const qint64 first = m_owed.takeFirst().first;
    m_answered = true;
    m_inBody = false;
    m_draining = false;
    m_fed = false;
    if (!packWhole) {
        if (current().nextOffset() == first) {
            retryLater();
            return;
        }
        requested(0) = false;
    }
    if (m_keeps && (packWhole || m_owed.isEmpty()))
        sendRequests();
    else
        connectNow();
}

// The piece that failed, a queued one or the current, says why.
void HttpSlot::failWrite(const QString &path)
{
    int failed = held() - 1;
    while (failed > 0 && piece(failed).path() != path)
        --failed;
    const int error = piece(qMax(failed, 0)).error();
    halt();
    emit writeFailed(number(), path, error);
}

// The data still waiting in the socket is taken before deciding how the stream ended; what the
// speed limit holds back is read on the slot's turns, and the end shows after it.
void HttpSlot::onEndOfStream()
{
    const QTcpSocket *socket = m_socket;
    onReadyRead();
    if (socket && m_socket == socket && !m_held)
        onStreamEnded();
}

// Between answers, the server closed a connection it had kept: one reconnection, and no more
// requests ahead if it dropped one. In the middle of an answer, or before any answer, it is the
// server's fault.
void HttpSlot::onStreamEnded()
{
    const bool midAnswer = (m_inBody && !m_draining) || !m_answer.isEmpty();
    if (midAnswer || (!m_answered && !m_draining)) {
        failAnswer();
        return;
    }
    if (owesAhead(m_inBody ? 1 : 0))
        m_habits->pipelining = false;
    connectNow();
}

void HttpSlot::onError(QAbstractSocket::SocketError error)
{
    if (!m_socket)
        return;
    if (!current().holds()) {
        Ferme_Connect(); // an idle kept connection has nothing to lose
        return;
    }
    if (const std::optional<QString> cause = m_connector->proxyFault(error)) {
        onProxyRefused(*cause, true);
        return;
    }
    if (error == QAbstractSocket::HostNotFoundError || error == QAbstractSocket::NetworkError) {
        halt();
        emit connectionLost(number());
        return;
    }
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onEndOfStream();
        return;
    }
    const QString socketError = m_socket->errorString();
    halt();
    if (error == QAbstractSocket::SslHandshakeFailedError)
        emit certificateRefused(number(),
                                tlsRefusedText(m_target.hostHeader, m_sslErrors, socketError));
    else
        emit connectionFailed(number());
}

// A connection that owes the answer to a request sent ahead may have lost that request on the
// way (some servers and middleboxes drop it): requests go to this server one at a time from now
// on.
void HttpSlot::onStalled()
{
    if (!m_socket)
        return;
    if (owesAhead())
        m_habits->pipelining = false;
    failAnswer();
}

bool HttpSlot::owesAhead(qsizetype from) const
{
    return std::any_of(m_owed.cbegin() + from, m_owed.cend(),
                       [](const Owed &owed) { return owed.ahead; });
}

// The answer owed did not come whole: asked again after the growing delay. When it brought no
// byte of the file on a connection that was made, the server sends nothing, unless a request
// sent ahead (which the server may have dropped) is owed.
void HttpSlot::failAnswer()
{
    const bool nothing = m_ready && !m_fed && !owesAhead();
    retryLater();
    // Last: whoever hears it may pause the download at once.
    if (nothing && current().holds())
        emit nothingReceived(number(), m_watch.retryDelayMs());
}

void HttpSlot::retryLater()
{
    Ferme_Connect();
    m_watch.stopWatching();
    if (current().holds())
        m_watch.retryLater();
}
