#include "HandOver.h"

#include "platform/HandoffSocket.h"
#include "wire/HandoffMessage.h"

#include <QProcess>

namespace {

const QString StartedByCatchlink = QStringLiteral("--ZRK--");

} // namespace

HandOver::HandOver(const QString &programPath, const QString &socketName,
                   const Intervals &intervals, QObject *parent)
    : QObject(parent), m_programPath(programPath), m_socketName(socketName), m_intervals(intervals)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(m_intervals.retryMs);
    Timer.setSingleShot(true);
    Timer.setInterval(m_intervals.lingerMs);
    connect(&m_retry, &QTimer::timeout, this, &HandOver::connectToProgram);
    connect(&Timer, &QTimer::timeout, this, [this] { finish(true); });
    connect(&Winsock, &QLocalSocket::connected, this, &HandOver::onConnected);
    connect(&Winsock, &QLocalSocket::bytesWritten, this, &HandOver::onBytesWritten);
    connect(&Winsock, &QLocalSocket::errorOccurred, this, &HandOver::onErrorOccurred);
    connect(&Winsock, &QLocalSocket::disconnected, this, [this] {
        if (m_sent)
            finish(true);
    });
}

void HandOver::start(const QString &url)
{
    m_message = HandoffMessage::compose(url);
    m_trying.start();
    if (HandoffSocket::isPrivate(m_socketName))
        connectToProgram();
    else
        finish(false);
}

void HandOver::connectToProgram()
{
    Winsock.abort();
    Winsock.connectToServer(m_socketName);
}

void HandOver::onConnected()
{
    Winsock.write(m_message);
    m_sent = true;
    Timer.start();
}

// The whole message is out: nothing more follows.
void HandOver::onBytesWritten()
{
    if (Winsock.bytesToWrite() > 0)
        return;
    if (!HandoffSocket::endWriting(Winsock.socketDescriptor()))
        Winsock.disconnectFromServer();
}

// Before the message is out, an error means nobody listens (yet): start Quillfetch once and
// try again until the patience runs out. After it, the peer's close is the normal end.
void HandOver::onErrorOccurred()
{
    if (m_sent) {
        finish(true);
        return;
    }
    if (!m_programStarted) {
        m_programStarted = true;
        if (!startProgram()) {
            finish(false);
            return;
        }
    }
    if (m_trying.elapsed() + m_intervals.retryMs > m_intervals.patienceMs) {
        finish(false);
        return;
    }
    m_retry.start();
}

// The program is started directly, never through a shell. It must not keep the standard
// channels of whoever started Catchlink: a browser waits for them to close.
bool HandOver::startProgram() const
{
    QProcess program;
    program.setProgram(m_programPath);
    program.setArguments({StartedByCatchlink});
    program.setStandardInputFile(QProcess::nullDevice());
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(QProcess::nullDevice());
    return program.startDetached();
}

void HandOver::finish(bool delivered)
{
    if (m_finished)
        return;
    m_finished = true;
    m_retry.stop();
    Timer.stop();
    emit finished(delivered);
}
