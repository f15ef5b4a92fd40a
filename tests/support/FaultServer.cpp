#include "FaultServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr int splitDelayMs = 50;
constexpr int dribbleMs = 20;
constexpr int holdMs = 30;

// The value of the field `name` (as the engine writes it: "Range: "), empty without it.
QByteArray field(const QByteArray &head, const QByteArray &name)
{
    const qsizetype at = head.indexOf("\r\n" + name);
    const qsizetype from = at + 2 + name.size();
    return at < 0 ? QByteArray() : head.mid(from, head.indexOf("\r\n", from) - from);
}

} // namespace

FaultServer::FaultServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    m_server->listen(QHostAddress::LocalHost, 0);
}

QString FaultServer::url(const QString &file) const
{
    return QStringLiteral("127.0.0.1:%1/").arg(m_server->serverPort()) + file;
}

void FaultServer::addFile(const QString &path, const QByteArray &body, const QByteArray &etag)
{
    m_files[path.toUtf8()] = body;
    m_etags[path.toUtf8()] = {etag};
}

int FaultServer::pendingFaults() const
{
    int pending = 0;
    for (const Scripted &scripted : m_faults)
        pending += scripted.remaining;
    return pending;
}

// A kept connection's requests wait in its "pending" bytes while an answer is going out. One that
// arrives whole while the answer's last byte is held was sent ahead: it ends the hold, unless a
// scripted fault drops it.
void FaultServer::readRequest(QTcpSocket *socket)
{
    const QByteArray buffer = socket->property("pending").toByteArray() + socket->readAll();
    socket->setProperty("pending", buffer);
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    const bool ahead = socket->property("tail").isValid();
    if (end < 0 || (socket->property("answering").toBool() && !ahead))
        return;
    const QByteArray head = buffer.left(end + 2);
    const QList<QByteArray> range = field(head, "Range: bytes=").split('-');
    Request request{head.split(' ').value(1), -1, -1, field(head, "If-Range: ")};
    if (!range.at(0).isEmpty())
        request.rangeStart = range.at(0).toLongLong();
    if (!range.value(1).isEmpty())
        request.rangeEnd = range.value(1).toLongLong();
    // Dropping a request applies only to requests sent ahead, every other fault to the others.
    std::optional<Fault> fault;
    for (Scripted &scripted : m_faults) {
        if (!fault && scripted.remaining > 0 && request.rangeStart >= scripted.fromByte &&
            (scripted.fault == DropAhead) == ahead) {
            --scripted.remaining;
            fault = scripted.fault;
        }
    }
    if (!ahead || fault)
        socket->setProperty("pending", buffer.mid(end + 4));
    if (!ahead)
        return answer(socket, request, fault);
    ++m_requestsAhead;
    releaseTail(socket);
}

void FaultServer::answer(QTcpSocket *socket, const Request &request, std::optional<Fault> fault)
{
    socket->setProperty("answering", true);
    ++m_requestCount;
    if (fault == Silent)
        return; // still answering: later requests wait
    const int status = !m_files.contains(request.path) ? 404 : fault >= Status401 ? *fault : 0;
    if (m_rawResponses.contains(request.path) || status > 0) {
        socket->write(m_rawResponses.value(request.path, "HTTP/1.1 " + QByteArray::number(status) +
                                                             " Error\r\nContent-Length: 0\r\n"
                                                             "Connection: close\r\n\r\n"));
        end(socket);
        return;
    }
    const QByteArray file = m_files.value(request.path);
    const qint64 size = file.size();
    const QByteArray etag = m_etags[request.path].at(m_answers++ % m_etags[request.path].size());
    const bool ranged = m_rangeSupport && request.rangeStart >= 0 &&
                        (request.ifRange.isEmpty() || request.ifRange == etag);
    const qint64 first = ranged ? request.rangeStart + (fault == ShiftedRange ? 1 : 0) : 0;
    qint64 last = ranged && request.rangeEnd >= 0 ? qMin(request.rangeEnd, size - 1) : size - 1;
    if (fault == ShortRange)
        last = first + (last - first) / 2;
    QByteArray body = file.mid(qsizetype(first), qsizetype(last - first + 1));
    if (fault == EmptyRange)
        body.clear();
    QByteArray header = ranged ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    header += "Content-Type: application/octet-stream\r\nContent-Length: " +
              QByteArray::number(body.size()) + "\r\n";
    if (ranged)
        header += "Content-Range: bytes " + QByteArray::number(first) + '-' +
                  QByteArray::number(last) + '/' + QByteArray::number(size) + "\r\n";
    if (!etag.isEmpty())
        header += "ETag: " + etag + "\r\n";
    header += m_keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    if (fault == Interim)
        header.prepend(
            "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r\n");
    send(socket, header, body, fault);
}

// A split header is cut inside its second line.
void FaultServer::send(QTcpSocket *socket, const QByteArray &header, const QByteArray &body,
                       std::optional<Fault> fault)
{
    if (fault == HeaderOnly) {
        socket->write(header);
        socket->disconnectFromHost();
    } else if (fault == EndlessHeader) {
        dribble(socket, "HTTP/1.1 206 Partial Content\r\nX-Padding: " + QByteArray(1 << 20, 'a'),
                1);
    } else if (fault == SlowBody) {
        socket->write(header);
        dribble(socket, body, 4096);
    } else if (fault == SplitHeader) {
        socket->write(header.left(40));
        QTimer::singleShot(splitDelayMs, socket, [=, this] {
            socket->write(header.mid(40) + body);
            end(socket);
        });
    } else {
        const bool half = fault == CloseMidBody || fault == Stall;
        const QByteArray answer = header + (half ? body.left(body.size() / 2) : body);
        const QByteArray written = fault == AnswerTwice ? answer + answer : answer;
        const bool closes = half || fault == CloseAfterBody;
        socket->write(m_keepAlive && !closes ? written.chopped(1) : written);
        if (m_keepAlive && !closes) {
            socket->setProperty("tail", written.right(1));
            QTimer::singleShot(holdMs, socket, [this, socket] { releaseTail(socket); });
        } else if (fault == CloseMidBody || fault == CloseAfterBody)
            socket->disconnectFromHost();
        else if (fault != Stall)
            end(socket, fault == ShortRange);
    }
}

void FaultServer::releaseTail(QTcpSocket *socket)
{
    const QVariant tail = socket->property("tail");
    socket->setProperty("tail", QVariant());
    socket->write(tail.toByteArray());
    if (tail.isValid())
        end(socket);
}

// Kept alive, the connection's next request is read; else it is closed unless left open.
void FaultServer::end(QTcpSocket *socket, bool leaveOpen)
{
    if (m_keepAlive) {
        socket->setProperty("answering", false);
        readRequest(socket);
    } else if (!leaveOpen) {
        socket->disconnectFromHost();
    }
}

// Writes `chunk` bytes at a time on a timer, then closes.
void FaultServer::dribble(QTcpSocket *socket, const QByteArray &bytes, qsizetype chunk)
{
    auto *timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, socket,
            [socket, timer, bytes, chunk, offset = qsizetype(0)]() mutable {
                socket->write(bytes.mid(offset, chunk));
                offset += chunk;
                if (offset >= bytes.size()) {
                    timer->stop();
                    socket->disconnectFromHost();
                }
            });
    timer->start(dribbleMs);
}
