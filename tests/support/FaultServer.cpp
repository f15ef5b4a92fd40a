#include "FaultServer.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <map>

// How an answer's connection goes on once the bytes are written.
enum class FaultServer::Ending
{
    Normal, // closed, or the next request read when kept alive
    Open,   // left open, or the next request read when kept alive
    Silent, // left open, nothing more said
    Close,
    Slow // the body dribbles out, then the connection closes
};

// What a fault does to an answer.
struct FaultServer::Shape
{
    QByteArray status = {}; // an error page with this status instead of the file
    bool split = false;     // the header in two writes
    bool whole = false;     // 200 and the whole file, even to a range
    qint64 shift = 0;       // the range starts this many bytes late
    qint64 extraTotal = 0;  // added to the total in Content-Range
    bool halfRange = false; // only the first half of the range
    bool halfBody = false;  // only the first half of the body is written
    bool endless = false;   // a header that never ends
    Ending ending = Ending::Normal;
};

namespace {

using Fault = FaultServer::Fault;
using Shape = FaultServer::Shape;
using Ending = FaultServer::Ending;

constexpr int splitDelayMs = 50;
constexpr int dribbleMs = 20;

const std::map<Fault, Shape> Shapes = {
    {Fault::SplitHeader, {.split = true}},
    {Fault::FullBodyForRange, {.whole = true}},
    {Fault::Status403, {.status = "403 Forbidden"}},
    {Fault::Status404, {.status = "404 Not Found"}},
    {Fault::Status500, {.status = "500 Internal Server Error"}},
    {Fault::CloseMidBody, {.halfBody = true, .ending = Ending::Close}},
    {Fault::Stall, {.halfBody = true, .ending = Ending::Silent}},
    {Fault::SlowBody, {.ending = Ending::Slow}},
    {Fault::CloseAfterBody, {.ending = Ending::Close}},
    {Fault::ShiftedRange, {.shift = 1}},
    {Fault::WrongTotal, {.extraTotal = 1000}},
    {Fault::ShortRange, {.halfRange = true, .ending = Ending::Open}},
    {Fault::EndlessHeader, {.endless = true, .ending = Ending::Silent}},
};

FaultServer::Request parseRequest(const QByteArray &head)
{
    static const QRegularExpression range(R"(^range:\s*bytes=(\d+)-(\d*)\s*$)",
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::MultilineOption);
    static const QRegularExpression ifRange(R"(^if-range:\s*(.*?)\s*$)",
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::MultilineOption);
    const QString text = QString::fromLatin1(head);
    FaultServer::Request request;
    request.path = head.split(' ').value(1);
    if (const QRegularExpressionMatch match = range.match(text); match.hasMatch()) {
        request.rangeStart = match.captured(1).toLongLong();
        request.rangeEnd = match.captured(2).isEmpty() ? -1 : match.captured(2).toLongLong();
    }
    request.ifRange = ifRange.match(text).captured(1).toLatin1();
    return request;
}

// The whole answer, with a small HTML body.
QByteArray statusPage(const QByteArray &status)
{
    const QByteArray body = "<html><body><h1>" + status + "</h1></body></html>";
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
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

void FaultServer::addFault(Fault fault, int times, Filter filter)
{
    m_faults.append({fault, times, std::move(filter)});
}

int FaultServer::pendingFaults() const
{
    int pending = 0;
    for (const Scripted &scripted : m_faults)
        pending += scripted.remaining;
    return pending;
}

// A kept connection's requests wait in its "pending" bytes while an answer is going out.
void FaultServer::readRequest(QTcpSocket *socket)
{
    const QByteArray buffer = socket->property("pending").toByteArray() + socket->readAll();
    socket->setProperty("pending", buffer);
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0 || socket->property("answering").toBool())
        return;
    socket->setProperty("pending", buffer.mid(end + 4));
    socket->setProperty("answering", true);
    const Request request = parseRequest(buffer.left(end + 4));
    m_requests.append(request);
    Shape shape;
    for (Scripted &scripted : m_faults) {
        if (scripted.remaining > 0 && (!scripted.filter || scripted.filter(request))) {
            --scripted.remaining;
            shape = Shapes.at(scripted.fault);
            break;
        }
    }
    QByteArray body;
    const QByteArray header = answerTo(request, shape, &body);
    send(socket, header, body, shape);
}

QByteArray FaultServer::answerTo(const Request &request, const Shape &shape, QByteArray *body) const
{
    if (m_rawResponses.contains(request.path))
        return m_rawResponses.value(request.path);
    if (!m_files.contains(request.path))
        return statusPage("404 Not Found");
    if (!shape.status.isEmpty())
        return statusPage(shape.status);
    if (shape.endless)
        return "HTTP/1.1 206 Partial Content\r\nX-Padding: " + QByteArray(1 << 20, 'a');
    const QByteArray file = m_files.value(request.path);
    const qint64 size = file.size();
    const QByteArray etag = m_etags.value(request.path);
    const bool ranged = m_rangeSupport && request.rangeStart >= 0 && !shape.whole &&
                        (request.ifRange.isEmpty() || request.ifRange == etag);
    const qint64 first = ranged ? request.rangeStart + shape.shift : 0;
    qint64 last = ranged && request.rangeEnd >= 0 ? qMin(request.rangeEnd, size - 1) : size - 1;
    if (shape.halfRange)
        last = first + (last - first) / 2;
    *body = file.mid(qsizetype(first), qsizetype(last - first + 1));
    QByteArray header = ranged ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    header += "Content-Type: application/octet-stream\r\nContent-Length: " +
              QByteArray::number(body->size()) + "\r\n";
    if (ranged)
        header += "Content-Range: bytes " + QByteArray::number(first) + '-' +
                  QByteArray::number(last) + '/' + QByteArray::number(size + shape.extraTotal) +
                  "\r\n";
    if (m_rangeSupport)
        header += "Accept-Ranges: bytes\r\n";
    if (!etag.isEmpty())
        header += "ETag: " + etag + "\r\n";
    return header + (m_keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n");
}

// A split header is cut inside its second line.
void FaultServer::send(QTcpSocket *socket, const QByteArray &header, const QByteArray &body,
                       const Shape &shape)
{
    if (shape.endless) {
        dribble(socket, header, 1);
        return;
    }
    const qsizetype cut = shape.split ? qMin(header.indexOf("\r\n") + 6, header.size() / 2) : 0;
    socket->write(header.left(cut));
    socket->flush();
    QTimer::singleShot(shape.split ? splitDelayMs : 0, socket, [=, this] {
        socket->write(header.mid(cut));
        if (shape.ending == Ending::Slow)
            dribble(socket, body, 4096);
        else
            socket->write(shape.halfBody ? body.left(body.size() / 2) : body);
        end(socket, shape.ending);
    });
}

void FaultServer::end(QTcpSocket *socket, Ending ending)
{
    if (m_keepAlive && (ending == Ending::Normal || ending == Ending::Open)) {
        socket->setProperty("answering", false);
        readRequest(socket);
    } else if (ending == Ending::Normal || ending == Ending::Close) {
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
