#include "engine/HttpSlot.h"

#include "engine/HttpExchange.h"
#include "progress/DisplayText.h"

#include <QTcpSocket>

namespace {
constexpr qsizetype ReadChunk = 256 * 1024;
// Silence is checked a few times per stall interval, so a stall is noticed soon after it
// lasted the whole interval.
constexpr int StallChecks = 4;
} // namespace

HttpSlot::HttpSlot(int number, const Target &target, const Timing &timing, QObject *parent)
    : PackSlot(number, parent), m_target(target), m_timing(timing),
      m_buffer(ReadChunk, Qt::Uninitialized), m_retryDelay(timing.retryFirstMs, timing.retryMaxMs)
{
    m_retryTimer.setSingleShot(true);
    m_stallTimer.setInterval(qMax(1, timing.stallMs / StallChecks));
    connect(&m_retryTimer, &QTimer::timeout, this, &HttpSlot::connectNow);
    connect(&m_stallTimer, &QTimer::timeout, this, &HttpSlot::onStallCheck);
}

HttpSlot::~HttpSlot()
{
    Ferme_Connect();
}

void HttpSlot::fetch(const Pack &pack, const QString &piecePath, qint64 have)
{
    drop();
    m_piece.take(pack, piecePath, have);
    connectNow();
}

void HttpSlot::halt()
{
    Ferme_Connect();
    m_retryTimer.stop();
    m_stallTimer.stop();
    m_piece.close();
    m_state = m_piece.holds() ? State::Halted : State::Idle;
}

void HttpSlot::drop()
{
    halt();
    m_piece.forget();
    m_state = State::Idle;
}

void HttpSlot::connectNow()
{
    if (!m_piece.isOpen() && !m_piece.open()) {
        failWrite();
        return;
    }
    Ferme_Connect();
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &HttpSlot::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpSlot::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpSlot::onEndOfStream);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &HttpSlot::onError);
    m_state = State::Connecting;
    m_header.clear();
    m_activity = true;
    m_silentChecks = 0;
    m_stallTimer.start();
    m_socket->connectToHost(m_target.host, m_target.port,
                            QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void HttpSlot::Ferme_Connect()
{
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

void HttpSlot::onConnected()
{
    m_state = State::AwaitingHeader;
    m_activity = true;
    m_first = m_piece.nextOffset();
    m_socket->write(HttpExchange::requestText(m_target.hostHeader, m_target.path, m_first,
                                              m_piece.pack().start + m_piece.pack().length,
                                              m_target.validators));
    // Last: whoever hears it may pause the download at once.
    emit statusChanged(number(), QStringLiteral("Sending request..."));
}

// A header counts as activity only once it is whole: one trickling in must still arrive within
// the stall interval.
void HttpSlot::onReadyRead()
{
    m_activity = m_activity || m_state != State::AwaitingHeader;
    if (m_state == State::AwaitingHeader)
        readHeader();
    else if (m_state == State::Receiving)
        readBody();
}

void HttpSlot::readHeader()
{
    const qint64 room = HttpExchange::MaxHeaderBytes + 1 - m_header.size();
    const qint64 size = m_socket->read(m_buffer.data(), qMin<qint64>(room, m_buffer.size()));
    if (size < 0) {
        retryLater();
        return;
    }
    if (size == 0)
        return;
    if (m_header.isEmpty())
        emit statusChanged(number(), QStringLiteral("Downloading (") +
                                         Format_Taille(m_piece.pack().length) +
                                         QStringLiteral(")..."));
    const qsizetype scanFrom = m_header.size() - (HttpExchange::Terminator.size() - 1);
    m_header.append(m_buffer.constData(), size);
    const qsizetype end = HttpExchange::headerEnd(m_header, scanFrom);
    if (end < 0) {
        if (m_header.size() > HttpExchange::MaxHeaderBytes)
            retryLater();
        return;
    }
    const std::optional<HttpExchange::Change> change =
        HttpExchange::changeShown(m_header.left(end), m_target.fileSize, m_target.validators);
    if (change) {
        halt();
        emit fileChanged(number(), change->size, change->validators);
        return;
    }
    if (isWholeFileAgain(m_header.left(end)) && !restartPiece())
        return;
    if (!HttpExchange::accepts(m_header.left(end), m_first, m_target.fileSize)) {
        const std::optional<ServerRefusal> refusal =
            HttpExchange::refusalOf(m_header.left(end), m_first, m_target.fileSize);
        retryLater();
        if (refusal)
            emit refused(number(), *refusal);
        return;
    }
    m_retryDelay.reset();
    m_activity = true;
    m_bodyLeft = HttpExchange::bodyLength(m_header.left(end)).value_or(0);
    m_state = State::Receiving;
    const QByteArray body = m_header.mid(end + HttpExchange::Terminator.size());
    m_header.clear();
    if (body.isEmpty() || store(body.constData(), body.size()))
        readBody();
}

// A server without ranges answers a continued request with the whole file. When the pack is the
// whole file, that answer serves: the piece is written again from its start.
bool HttpSlot::isWholeFileAgain(const QByteArray &header) const
{
    const Pack &pack = m_piece.pack();
    return m_first > 0 && pack.start == 0 && pack.length == m_target.fileSize &&
           HttpExchange::accepts(header, 0, m_target.fileSize);
}

bool HttpSlot::restartPiece()
{
    const qint64 lost = m_piece.have();
    if (!m_piece.restart()) {
        failWrite();
        return false;
    }
    m_first = 0;
    emit pieceRestarted(lost);
    return true;
}

// The socket is unbuffered: each read takes the bytes straight from the system into the
// slot's buffer, and a negative count means the stream ended (closed or reset) before the pack.
void HttpSlot::readBody()
{
    while (m_state == State::Receiving) {
        const qint64 size = m_socket->read(m_buffer.data(), m_buffer.size());
        if (size < 0)
            retryLater();
        if (size <= 0 || !store(m_buffer.constData(), size))
            return;
    }
}

// Writes what belongs to the pack (a server may send one byte more than the pack); false when
// the slot stopped receiving: pack complete or write failed.
bool HttpSlot::store(const char *data, qint64 size)
{
    const qint64 take = m_piece.write(data, size);
    if (take < 0) {
        failWrite();
        return false;
    }
    emit received(take);
    m_bodyLeft -= size;
    if (m_piece.isComplete()) {
        finishPack();
        return false;
    }
    if (m_bodyLeft > 0)
        return true;
    // A shorter answer than asked for is over: the rest is asked for at once.
    Ferme_Connect();
    m_stallTimer.stop();
    m_state = State::WaitingRetry;
    m_retryTimer.start(0);
    return false;
}

void HttpSlot::finishPack()
{
    Ferme_Connect();
    m_stallTimer.stop();
    m_piece.forget();
    m_state = State::Idle;
    emit packComplete(number());
}

void HttpSlot::failWrite()
{
    halt();
    emit writeFailed(number(), m_piece.path());
}

// The data still waiting in the socket is taken before deciding that the stream ended early.
void HttpSlot::onEndOfStream()
{
    if (!isConnectionActive())
        return;
    // Reading may complete the pack, and the slot may then already be connecting for the next.
    const QTcpSocket *socket = m_socket;
    onReadyRead();
    if (m_socket == socket && isConnectionActive())
        retryLater();
}

void HttpSlot::onError(QAbstractSocket::SocketError error)
{
    if (!isConnectionActive())
        return;
    if (error == QAbstractSocket::HostNotFoundError || error == QAbstractSocket::NetworkError) {
        halt();
        emit connectionLost(number());
        return;
    }
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onEndOfStream();
        return;
    }
    halt();
    emit connectionFailed(number());
}

void HttpSlot::onStallCheck()
{
    m_silentChecks = m_activity ? 0 : m_silentChecks + 1;
    m_activity = false;
    if (m_silentChecks >= StallChecks && isConnectionActive())
        retryLater();
}

void HttpSlot::retryLater()
{
    Ferme_Connect();
    m_stallTimer.stop();
    m_state = State::WaitingRetry;
    m_retryTimer.start(m_retryDelay.next());
}

bool HttpSlot::isConnectionActive() const
{
    return m_state == State::Connecting || m_state == State::AwaitingHeader ||
           m_state == State::Receiving;
}
