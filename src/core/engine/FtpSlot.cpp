#include "engine/FtpSlot.h"

#include "engine/FtpDataLink.h"
#include "engine/SpeedLimit.h"
#include "wire/Connector.h"

#include <QTcpSocket>

FtpSlot::FtpSlot(int number, const Target &target, const Timing &timing,
                 std::shared_ptr<FtpDataMode> dataMode, SpeedLimit *limit, QObject *parent)
    : PackSlot(number, parent), m_target(target), m_sharedMode(std::move(dataMode)), m_limit(limit),
      m_link(new FtpDataLink(this)), m_buffer(SlotWatch::ReadChunk, Qt::Uninitialized),
      m_watch(timing.watch)
{
    Timer_FTP.setObjectName(QStringLiteral("Timer_FTP_%1").arg(number));
    Timer_FTP.setSingleShot(true);
    Timer_FTP.setInterval(timing.connectDelayMs);
    m_dataWaitTimer.setSingleShot(true);
    m_dataWaitTimer.setInterval(timing.dataWaitMs);
    connect(&Timer_FTP, &QTimer::timeout, this, &FtpSlot::connectNow);
    connect(&m_watch, &SlotWatch::retryDue, this, &FtpSlot::connectNow);
    connect(&m_watch, &SlotWatch::stalled, this, &FtpSlot::onStalled);
    connect(&m_dataWaitTimer, &QTimer::timeout, this, &FtpSlot::onDataWaitOver);
    connect(m_link, &FtpDataLink::connected, this, &FtpSlot::onDataConnected);
    connect(m_link, &FtpDataLink::readyRead, this, &FtpSlot::drain);
    connect(m_link, &FtpDataLink::ended, this, &FtpSlot::onDataEnded);
    connect(m_link, &FtpDataLink::networkLost, this, &FtpSlot::onNetworkLost);
}

FtpSlot::~FtpSlot()
{
    Ferme_Connect();
}

void FtpSlot::fetch(const Pack &pack, const QString &piecePath, qint64 have)
{
    drop();
    m_piece.take(pack, piecePath, have);
    m_mode = *m_sharedMode;
    m_state = State::Scheduled;
    Timer_FTP.start();
}

void FtpSlot::halt()
{
    Ferme_Connect();
    Timer_FTP.stop();
    m_watch.stop();
    m_dataWaitTimer.stop();
    m_piece.close();
    m_state = m_piece.holds() ? State::Halted : State::Idle;
}

void FtpSlot::drop()
{
    halt();
    m_piece.forget();
    m_state = State::Idle;
}

void FtpSlot::connectNow()
{
    if (!m_piece.isOpen() && !m_piece.open()) {
        failWrite();
        return;
    }
    Ferme_Connect();
    m_control = new QTcpSocket(this);
    m_connector = new Connector(*m_control);
    connect(m_connector, &Connector::ready, this, &FtpSlot::onControlConnected);
    connect(m_connector, &Connector::refused, this, &FtpSlot::onProxyRefused);
    connect(m_control, &QTcpSocket::readyRead, this, &FtpSlot::onControlReadyRead);
    connect(m_control, &QTcpSocket::disconnected, this, &FtpSlot::onControlEnded);
    connect(m_control, &QTcpSocket::errorOccurred, this, &FtpSlot::onControlError);
    m_state = State::Connecting;
    m_replies.clear();
    m_restAccepted = false;
    m_versionReplies = 0;
    m_serverSize = -1;
    m_versionChecked = false;
    m_passiveAnswered = false;
    m_dataEnded = false;
    m_firstData = false;
    m_watch.watch();
    m_connector->open({m_target.host, m_target.port}, m_target.route, false);
}

void FtpSlot::Ferme_Connect()
{
    if (m_limit)
        m_limit->leave(this);
    if (m_control)
        sendClosingText();
    m_link->close();
    if (!m_control)
        return;
    m_control->disconnect(this);
    m_control->abort();
    m_control->deleteLater();
    m_control = nullptr;
    m_connector = nullptr;
}

void FtpSlot::sendClosingText()
{
    if (!m_connector->isReady() || m_control->state() != QAbstractSocket::ConnectedState)
        return;
    m_control->write(FtpCommands::ClosingText.data(), FtpCommands::ClosingText.size());
    m_control->flush();
}

void FtpSlot::onControlConnected()
{
    m_state = State::Requested;
    m_watch.noteActivity();
    emit statusChanged(number(), SlotState::SendingRequest);
    m_offset = m_piece.nextOffset();
    const QByteArray command = dataCommand();
    m_control->write(FtpCommands::burst(command, m_offset, m_target.path, !m_target.time.isEmpty(),
                                        m_target.login));
    m_dataWaitTimer.start();
}

// Active mode listens where the control connection ends on this side; a connection that
// cannot carry an IPv4 address in PORT (IPv6), or that goes through a proxy, asks for passive
// mode at once.
QByteArray FtpSlot::dataCommand()
{
    if (m_mode == FtpDataMode::Active && !m_target.route.isDirect())
        m_mode = FtpDataMode::Epsv;
    if (m_mode == FtpDataMode::Active) {
        const QHostAddress local = m_control->localAddress();
        const std::optional<quint16> port = m_link->listen(local, m_control->peerAddress());
        const std::optional<QByteArray> command =
            port ? FtpCommands::portCommand(local, *port) : std::nullopt;
        if (command)
            return *command;
        m_link->close();
        m_mode = FtpDataMode::Epsv;
    }
    return FtpCommands::passiveCommand(m_mode);
}

void FtpSlot::onControlReadyRead()
{
    if (!m_connector->isReady())
        return; // the proxy's answer is its connector's
    m_watch.noteActivity();
    const QTcpSocket *control = m_control;
    const QList<FtpReply> replies = m_replies.append(m_control->readAll());
    for (const FtpReply &reply : replies) {
        handleReply(reply);
        if (m_control != control || m_state != State::Requested)
            return;
    }
}

// Replies are judged by their code alone, in whatever order they come.
void FtpSlot::handleReply(const FtpReply &reply)
{
    if (reply.isNegative()) {
        const std::optional<ServerRefusal> refusal =
            FtpCommands::refusalOf(reply.code, m_versionReplies > 0);
        failAttempt({FtpCommands::refusesDataConnection(reply.code), false});
        // Last: whoever hears it may pause the download at once.
        if (refusal)
            emit refused(number(), *refusal);
    } else if (reply.code == FtpCommands::FileStatus) {
        checkVersion(reply.text);
    } else if (reply.code == FtpCommands::RestAccepted) {
        m_restAccepted = true;
        drain();
    } else if (reply.code == FtpCommands::EpsvAccepted && m_mode == FtpDataMode::Epsv) {
        openPassiveLink(FtpCommands::epsvPort(reply.text));
    } else if (reply.code == FtpCommands::PasvAccepted && m_mode == FtpDataMode::Pasv) {
        openPassiveLink(FtpCommands::pasvPort(reply.text));
    } else if (FtpCommands::isTransferReply(reply.code) && isHeldBack()) {
        failAttempt({}); // the file comes, but not from the restart offset
    }
}

// The first 213 answers SIZE, the second MDTM when it was asked. Once both are in, the data
// may be stored, or the slot reports the server's other version.
void FtpSlot::checkVersion(const QByteArray &text)
{
    if (++m_versionReplies == 1)
        m_serverSize = ftpSizeFromReplyText(text).value_or(-1);
    const bool timeAsked = !m_target.time.isEmpty();
    if (m_versionReplies != (timeAsked ? 2 : 1))
        return;
    const QByteArray time = timeAsked ? text.trimmed() : QByteArray();
    if (m_serverSize < 0) {
        failAttempt({});
    } else if (m_serverSize != m_target.fileSize || time != m_target.time) {
        halt();
        emit fileChanged(number(), m_serverSize, {QByteArray(), time});
    } else {
        m_versionChecked = true;
        drain();
    }
}

// The data connection goes to the server the control connection reached, whatever address a
// PASV reply names: straight to its address, or through the proxy to its name.
void FtpSlot::openPassiveLink(const std::optional<quint16> &port)
{
    if (!port) {
        failAttempt({true, false});
        return;
    }
    m_passiveAnswered = true;
    const QString host =
        m_target.route.isDirect() ? m_control->peerAddress().toString() : m_target.host;
    m_link->connectTo({host, *port}, m_target.route);
}

void FtpSlot::onControlEnded()
{
    if (isAttemptActive() && !m_link->isConnected())
        failAttempt({});
}

void FtpSlot::onControlError(QAbstractSocket::SocketError error)
{
    if (!isAttemptActive())
        return;
    if (const std::optional<QString> cause = m_connector->proxyFault(error))
        onProxyRefused(*cause, true);
    else if (error == QAbstractSocket::HostNotFoundError || error == QAbstractSocket::NetworkError)
        onNetworkLost();
    else if (error == QAbstractSocket::RemoteHostClosedError)
        onControlEnded();
    else
        onConnectionFailed();
}

void FtpSlot::onDataConnected()
{
    m_watch.noteActivity();
}

void FtpSlot::onDataEnded()
{
    m_dataEnded = true;
    drain();
}

// Some servers accept a data connection and never send on it: the wait covers the first byte.
void FtpSlot::onDataWaitOver()
{
    if (m_state == State::Requested && !m_firstData)
        failAttempt({false, true});
}

void FtpSlot::onStalled()
{
    if (isAttemptActive())
        retryLater();
}

void FtpSlot::onNetworkLost()
{
    halt();
    emit connectionLost(number());
}

void FtpSlot::onConnectionFailed()
{
    halt();
    emit connectionFailed(number());
}

// Takes what the data connection holds into the piece. Until the version is checked, and the
// server has accepted a restart offset above 0, the data stays unread: it may be another file,
// or the file from its first byte.
void FtpSlot::drain()
{
    m_watch.noteActivity();
    if (m_state != State::Requested || isHeldBack())
        return;
    for (qint64 turn = 0;; turn += m_buffer.size()) {
        if (turn >= SlotWatch::TurnBytes) {
            QMetaObject::invokeMethod(this, &FtpSlot::drain, Qt::QueuedConnection);
            return;
        }
        const qint64 allowed = allowance();
        if (allowed == 0)
            return; // the rest, and the end of an ended connection, on the slot's turn
        const qint64 size = m_link->read(m_buffer.data(), allowed);
        if (size <= 0)
            break;
        if (m_limit)
            m_limit->spend(size);
        if (!m_firstData) {
            m_firstData = true;
            m_dataWaitTimer.stop();
            emit statusChanged(number(), SlotState::Downloading, m_piece.pack().length);
        }
        if (!store(m_buffer.constData(), size))
            return;
    }
    if (m_dataEnded)
        failAttempt({}); // the data connection closed before the pack was complete
}

// How much the slot may read now; 0 while the speed limit holds it back: data has come, and the
// rest is read on the slot's turn.
qint64 FtpSlot::allowance()
{
    if (!m_limit)
        return m_buffer.size();
    m_link->setPaced(m_limit->rate() > 0 ? m_limit->receiveBuffer() : 0);
    const qint64 allowed = m_limit->allowance(this, m_buffer.size(), [this] { drain(); });
    if (allowed == 0)
        m_dataWaitTimer.stop();
    return allowed;
}

bool FtpSlot::isHeldBack() const
{
    return !m_versionChecked || (m_offset > 0 && !m_restAccepted);
}

// Writes what belongs to the pack (the server sends the rest of the file); false when the
// slot stopped receiving: pack complete or write failed.
bool FtpSlot::store(const char *data, qint64 size)
{
    const qint64 take = m_piece.write(data, size);
    if (take < 0) {
        failWrite();
        return false;
    }
    m_watch.resetDelay();
    *m_sharedMode = m_mode;
    emit received(take);
    if (!m_piece.isComplete())
        return true;
    finishPack();
    return false;
}

void FtpSlot::finishPack()
{
    Ferme_Connect();
    m_watch.stopWatching();
    m_dataWaitTimer.stop();
    m_piece.forget();
    m_state = State::Idle;
    emit packComplete(number(), m_piece.pack().number);
}

void FtpSlot::failWrite()
{
    halt();
    emit writeFailed(number(), m_piece.path(), m_piece.error());
}

// A request that found no data connection in the mode asked for tries a passive mode at once;
// any other failure waits for the growing delay.
void FtpSlot::failAttempt(const Failure &failure)
{
    const std::optional<FtpDataMode> next = fallbackMode(failure);
    if (next)
        m_mode = *next;
    if (!next || m_mode == FtpDataMode::Active) {
        retryLater();
        return;
    }
    stopAttempt();
    m_watch.retryNow();
}

// Active mode refused or never connected: EPSV; EPSV refused: PASV; PASV refused as well:
// active mode again, after the delay.
std::optional<FtpDataMode> FtpSlot::fallbackMode(const Failure &failure) const
{
    if (m_link->isConnected())
        return std::nullopt;
    switch (m_mode) {
    case FtpDataMode::Active:
        return failure.refused || failure.timedOut ? std::optional(FtpDataMode::Epsv)
                                                   : std::nullopt;
    case FtpDataMode::Epsv:
        return failure.refused && !m_passiveAnswered ? std::optional(FtpDataMode::Pasv)
                                                     : std::nullopt;
    case FtpDataMode::Pasv:
        return failure.refused && !m_passiveAnswered ? std::optional(FtpDataMode::Active)
                                                     : std::nullopt;
    }
    return std::nullopt;
}

bool FtpSlot::isAttemptActive() const
{
    return m_state == State::Connecting || m_state == State::Requested;
}

void FtpSlot::stopAttempt()
{
    Ferme_Connect();
    m_watch.stopWatching();
    m_dataWaitTimer.stop();
    m_state = State::WaitingRetry;
}

void FtpSlot::retryLater()
{
    stopAttempt();
    m_watch.retryLater();
}
