#include "FaultServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

#ifdef Q_OS_LINUX
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#endif

namespace {

constexpr int splitDelayMs = 50;
constexpr int endlessHeaderIntervalMs = 20;
constexpr int resetPollMs = 5;
constexpr int resetWaitMs = 2000;
constexpr qsizetype maxHeaderBytes = 64 * 1024;

QByteArray normalisedPath(const QString &path)
{
    const QByteArray bytes = path.toUtf8();
    return bytes.startsWith('/') ? bytes : '/' + bytes;
}

// Reads "bytes=a-b" and "bytes=a-"; anything else (several ranges, a suffix) counts as no range.
void parseRange(const QByteArray &value, FaultServer::Request *request)
{
    const QByteArray rangeValue = value.trimmed();
    if (!rangeValue.startsWith("bytes=") || rangeValue.contains(','))
        return;
    const QList<QByteArray> bounds = rangeValue.mid(6).split('-');
    if (bounds.size() != 2 || bounds[0].trimmed().isEmpty())
        return;
    bool startOk = false;
    bool endOk = true;
    const qint64 start = bounds[0].trimmed().toLongLong(&startOk);
    const qint64 end = bounds[1].trimmed().isEmpty() ? -1 : bounds[1].trimmed().toLongLong(&endOk);
    if (!startOk || !endOk || start < 0 || (end >= 0 && end < start))
        return;
    request->rangeStart = start;
    request->rangeEnd = end;
}

FaultServer::Request parseRequest(const QByteArray &raw)
{
    FaultServer::Request request;
    request.raw = raw;
    const QList<QByteArray> lines = raw.split('\n');
    const QList<QByteArray> words = lines.value(0).trimmed().split(' ');
    request.method = words.value(0);
    request.path = words.value(1);
    for (const QByteArray &line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = colon > 0 ? line.left(colon).trimmed().toLower() : QByteArray();
        if (name == "range")
            parseRange(line.mid(colon + 1), &request);
        else if (name == "if-range")
            request.ifRange = line.mid(colon + 1).trimmed();
    }
    return request;
}

QByteArray statusResponse(const QByteArray &status, const QByteArray &extraHeaders = {})
{
    const QByteArray body = "<html><body><h1>" + status + "</h1></body></html>";
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\n" + extraHeaders + "Connection: close\r\n\r\n" + body;
}

// Cuts inside the second header line when there is one, else in the middle of the block.
qsizetype splitPoint(const QByteArray &header)
{
    const qsizetype firstLineEnd = header.indexOf("\r\n");
    if (firstLineEnd >= 0 && firstLineEnd + 6 < header.size() - 4)
        return firstLineEnd + 6;
    return header.size() / 2;
}

// Bytes written but not yet acknowledged by the client (0 where the system cannot tell).
int unacknowledgedBytes(QTcpSocket *socket)
{
    int bytes = 0;
#ifdef Q_OS_LINUX
    ::ioctl(int(socket->socketDescriptor()), SIOCOUTQ, &bytes);
#else
    Q_UNUSED(socket);
#endif
    return bytes;
}

void resetConnection(QTcpSocket *socket)
{
#ifdef Q_OS_LINUX
    const linger immediate{1, 0};
    ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &immediate,
                 sizeof immediate);
#endif
    socket->abort();
    socket->deleteLater();
}

// A reset discards whatever the client has not received yet, so it waits until the client has
// acknowledged the part (or gives up waiting on a client that stopped reading).
void resetOnceDelivered(QTcpSocket *socket)
{
    auto *poll = new QTimer(socket);
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, socket, [socket, poll, waited] {
        *waited += resetPollMs;
        const bool delivered = socket->bytesToWrite() == 0 && unacknowledgedBytes(socket) == 0;
        if (delivered || *waited >= resetWaitMs) {
            poll->stop();
            resetConnection(socket);
        }
    });
    poll->start(resetPollMs);
}

} // namespace

FaultServer::FaultServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &FaultServer::acceptConnections);
    m_server->listen(QHostAddress::LocalHost, 0);
}

FaultServer::~FaultServer() = default;

bool FaultServer::isListening() const
{
    return m_server->isListening();
}

quint16 FaultServer::port() const
{
    return m_server->serverPort();
}

QString FaultServer::url(const QString &path) const
{
    return QStringLiteral("127.0.0.1:%1").arg(port()) + QString::fromUtf8(normalisedPath(path));
}

void FaultServer::addFile(const QString &path, const QByteArray &body)
{
    m_files.insert(normalisedPath(path), body);
}

void FaultServer::setEtag(const QString &path, const QByteArray &etag)
{
    m_etags.insert(normalisedPath(path), etag);
}

void FaultServer::setRawResponse(const QString &path, const QByteArray &response)
{
    m_rawResponses.insert(normalisedPath(path), response);
}

void FaultServer::setRangeSupport(bool on)
{
    m_rangeSupport = on;
}

void FaultServer::setHeaderSplit(bool on)
{
    m_headerSplit = on;
}

void FaultServer::setKeepAlive(bool on)
{
    m_keepAlive = on;
}

void FaultServer::addFault(Fault fault, int times, Filter filter)
{
    m_faults.append({fault, times, std::move(filter)});
}

void FaultServer::clearFaults()
{
    m_faults.clear();
}

void FaultServer::setFaultBodyBytes(qint64 bytes)
{
    m_faultBodyBytes = bytes;
}

void FaultServer::setSlowBody(qint64 chunkBytes, int intervalMs)
{
    m_slowChunkBytes = qMax<qint64>(1, chunkBytes);
    m_slowIntervalMs = intervalMs;
}

int FaultServer::pendingFaults() const
{
    int pending = 0;
    for (const ScriptedFault &scripted : m_faults)
        pending += scripted.remaining;
    return pending;
}

void FaultServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

// A kept connection's requests wait in its "pending" bytes while an answer is going out.
void FaultServer::readRequest(QTcpSocket *socket)
{
    const QByteArray buffer = socket->property("pending").toByteArray() + socket->readAll();
    socket->setProperty("pending", buffer);
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0 || socket->property("answering").toBool()) {
        if (buffer.size() > maxHeaderBytes)
            socket->abort();
        return;
    }
    socket->setProperty("pending", buffer.mid(end + 4));
    socket->setProperty("answering", true);
    if (!m_keepAlive)
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    const Request request = parseRequest(buffer.left(end + 4));
    m_requests.append(request);
    answer(socket, request);
    emit requestReceived(requestCount());
}

void FaultServer::answer(QTcpSocket *socket, const Request &request)
{
    const bool head = request.method == "HEAD";
    if (m_rawResponses.contains(request.path)) {
        const QByteArray raw = m_rawResponses.value(request.path);
        sendHeader(socket, raw, m_headerSplit,
                   [this, socket] { sendBody(socket, {}, BodyMode::Complete); });
        return;
    }
    if (!m_files.contains(request.path)) {
        sendHeader(socket, statusResponse("404 Not Found"), m_headerSplit,
                   [this, socket] { sendBody(socket, {}, BodyMode::Complete); });
        return;
    }
    const std::optional<Fault> fault = takeFault(request);
    if (fault == EndlessHeader) {
        sendEndlessHeader(socket);
        return;
    }
    Response response = fileResponse(request, m_files.value(request.path), fault);
    if (head)
        response.body.clear();
    BodyMode mode = BodyMode::Complete;
    if (fault == CloseMidBody)
        mode = BodyMode::Close;
    else if (fault == ResetMidBody)
        mode = BodyMode::Reset;
    else if (fault == Stall)
        mode = BodyMode::Stall;
    else if (fault == SlowBody)
        mode = BodyMode::Slow;
    else if (fault == CloseAfterBody)
        mode = BodyMode::CloseAfter;
    else if (fault == ShortRange && !m_keepAlive) // kept alive, it stays open anyway
        mode = BodyMode::KeepOpen;
    const bool split = m_headerSplit || fault == SplitHeader;
    sendHeader(socket, response.header, split,
               [this, socket, body = response.body, mode] { sendBody(socket, body, mode); });
}

std::optional<FaultServer::Fault> FaultServer::takeFault(const Request &request)
{
    for (ScriptedFault &scripted : m_faults) {
        if (scripted.remaining > 0 && (!scripted.filter || scripted.filter(request))) {
            --scripted.remaining;
            return scripted.fault;
        }
    }
    return std::nullopt;
}

FaultServer::Response FaultServer::fileResponse(const Request &request, const QByteArray &file,
                                                std::optional<Fault> fault) const
{
    const qint64 size = file.size();
    if (fault == Status500)
        return {statusResponse("500 Internal Server Error"), {}};
    if (fault == Status403)
        return {statusResponse("403 Forbidden"), {}};
    if (fault == Status404)
        return {statusResponse("404 Not Found"), {}};
    if (fault == Redirect)
        return {statusResponse("302 Found", "Location: " + request.path + "\r\n"), {}};
    const QByteArray etag = m_etags.value(request.path);
    const bool sameVersion = request.ifRange.isEmpty() || request.ifRange == etag;
    const bool ranged = m_rangeSupport && request.rangeStart >= 0 && sameVersion;
    qint64 first = 0;
    qint64 last = size - 1;
    if (ranged) {
        first = request.rangeStart;
        if (request.rangeEnd >= 0)
            last = qMin(request.rangeEnd, size - 1);
    }
    if (fault == Status416 || (ranged && first >= size))
        return {statusResponse("416 Requested Range Not Satisfiable",
                               "Content-Range: bytes */" + QByteArray::number(size) + "\r\n"),
                {}};
    const bool partial = ranged && fault != FullBodyForRange;
    if (!partial) {
        first = 0;
        last = size - 1;
    } else if (fault == ShiftedRange) {
        first = qMin(first + 1, last);
    } else if (fault == ShortRange) {
        last = first + (last - first) / 2;
    }
    const qint64 total = fault == WrongTotal ? size + 1000 : size;
    QByteArray header = partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    if (fault != MissingContentType)
        header += "Content-Type: application/octet-stream\r\n";
    header += "Content-Length: " + QByteArray::number(last - first + 1) + "\r\n";
    if (fault == ChunkedBody)
        header += "Transfer-Encoding: chunked\r\n";
    if (partial)
        header += "Content-Range: bytes " + QByteArray::number(first) + '-' +
                  QByteArray::number(last) + '/' + QByteArray::number(total) + "\r\n";
    if (m_rangeSupport)
        header += "Accept-Ranges: bytes\r\n";
    if (!etag.isEmpty())
        header += "ETag: " + etag + "\r\n";
    header += m_keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    const QByteArray body = file.mid(qsizetype(first), qsizetype(last - first + 1));
    if (fault == ChunkedBody)
        return {header, QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n0\r\n\r\n"};
    return {header, body};
}

void FaultServer::sendHeader(QTcpSocket *socket, const QByteArray &header, bool split,
                             const std::function<void()> &then)
{
    if (!split) {
        socket->write(header);
        then();
        return;
    }
    const qsizetype cut = splitPoint(header);
    socket->write(header.left(cut));
    socket->flush();
    QTimer::singleShot(splitDelayMs, socket, [socket, rest = header.mid(cut), then] {
        socket->write(rest);
        then();
    });
}

void FaultServer::sendBody(QTcpSocket *socket, const QByteArray &body, BodyMode mode)
{
    switch (mode) {
    case BodyMode::Complete:
        socket->write(body);
        if (!m_keepAlive) {
            socket->disconnectFromHost();
            return;
        }
        socket->setProperty("answering", false);
        readRequest(socket);
        return;
    case BodyMode::CloseAfter:
        socket->write(body);
        socket->disconnectFromHost();
        return;
    case BodyMode::Close:
        socket->write(body.left(qsizetype(partSize(body))));
        socket->disconnectFromHost();
        return;
    case BodyMode::Reset:
        socket->write(body.left(qsizetype(partSize(body))));
        resetOnceDelivered(socket);
        return;
    case BodyMode::Stall:
        socket->write(body.left(qsizetype(partSize(body))));
        return;
    case BodyMode::Slow:
        sendSlowly(socket, body);
        return;
    case BodyMode::KeepOpen:
        socket->write(body);
        return;
    }
}

void FaultServer::sendSlowly(QTcpSocket *socket, const QByteArray &body)
{
    auto *timer = new QTimer(socket);
    auto offset = std::make_shared<qint64>(0);
    connect(timer, &QTimer::timeout, socket, [this, socket, timer, body, offset] {
        if (socket->state() != QAbstractSocket::ConnectedState) {
            timer->stop();
            return;
        }
        socket->write(body.mid(qsizetype(*offset), qsizetype(m_slowChunkBytes)));
        *offset += m_slowChunkBytes;
        if (*offset >= body.size()) {
            timer->stop();
            socket->disconnectFromHost();
        }
    });
    timer->start(m_slowIntervalMs);
}

void FaultServer::sendEndlessHeader(QTcpSocket *socket)
{
    socket->write("HTTP/1.1 206 Partial Content\r\nX-Padding: ");
    auto *timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, socket, [socket, timer] {
        if (socket->state() == QAbstractSocket::ConnectedState)
            socket->write("a");
        else
            timer->stop();
    });
    timer->start(endlessHeaderIntervalMs);
}

qint64 FaultServer::partSize(const QByteArray &body) const
{
    if (m_faultBodyBytes >= 0)
        return qMin<qint64>(m_faultBodyBytes, body.size());
    return body.size() / 2;
}
