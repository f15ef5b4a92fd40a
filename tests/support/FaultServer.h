#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QTcpServer;
class QTcpSocket;

// An in-process HTTP/1.1 server on 127.0.0.1 (port chosen by the system) for what real servers
// will not do. It serves files from memory with byte ranges ("bytes=a-b", "bytes=a-"), answers
// one request per connection (several, in turn, with setKeepAlive) and records every request. A
// scripted fault applies to the next `times` requests that match its filter, after which the
// server behaves. The test's event loop drives it: wait with QTRY_COMPARE, never by blocking.
class FaultServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FaultServer)
public:
    enum Fault
    {
        SplitHeader,      // the header in two writes 50 ms apart, cut inside a header line
        FullBodyForRange, // 200 with the whole file, even to a ranged request
        Status403,
        Status404,
        Status500,
        CloseMidBody,   // half the body, then a graceful close
        Stall,          // half the body, then silence with the connection open
        SlowBody,       // the body 4096 bytes every 20 ms
        CloseAfterBody, // the whole answer, then a graceful close (even when kept alive)
        ShiftedRange,   // the range asked for, from its second byte
        WrongTotal,     // the range asked for, with a total larger than the file
        ShortRange,     // the first half of the range asked for, the connection left open
        EndlessHeader,  // a header that does not end for hours, one byte every 20 ms
    };
    Q_ENUM(Fault)

    struct Request
    {
        QByteArray path;        // "/file.bin"
        qint64 rangeStart = -1; // first byte asked for; -1 without a Range header
        qint64 rangeEnd = -1;   // last byte asked for; -1 when open-ended or absent
        QByteArray ifRange;     // the If-Range value; empty without one
    };
    using Filter = std::function<bool(const Request &)>;
    // What a fault does to an answer, and how its connection goes on: the fault table.
    enum class Ending;
    struct Shape;

    explicit FaultServer(QObject *parent = nullptr); // listens at once

    QString url(const QString &file) const; // "127.0.0.1:PORT/file", no scheme

    // Paths start with "/".
    void addFile(const QString &path, const QByteArray &body) { m_files[path.toUtf8()] = body; }
    // The file's ETag: sent with each answer, and an If-Range naming another gets the whole file.
    void setEtag(const QString &path, const QByteArray &etag) { m_etags[path.toUtf8()] = etag; }
    // Sent byte for byte to every request for the path.
    void setRawResponse(const QString &path, const QByteArray &response)
    {
        m_rawResponses[path.toUtf8()] = response;
    }
    void setRangeSupport(bool on) { m_rangeSupport = on; } // off: 200 and the whole file
    void setKeepAlive(bool on) { m_keepAlive = on; } // "Connection: keep-alive", more requests
    void addFault(Fault fault, int times, Filter filter = {});
    void clearFaults() { m_faults.clear(); } // the server behaves from now on

    QList<Request> requests() const { return m_requests; }
    int requestCount() const { return int(m_requests.size()); }
    int pendingFaults() const; // scripted faults not used yet

private:
    struct Scripted
    {
        Fault fault;
        int remaining;
        Filter filter;
    };

    void readRequest(QTcpSocket *socket);
    QByteArray answerTo(const Request &request, const Shape &shape, QByteArray *body) const;
    void send(QTcpSocket *socket, const QByteArray &header, const QByteArray &body,
              const Shape &shape);
    void end(QTcpSocket *socket, Ending ending);
    void dribble(QTcpSocket *socket, const QByteArray &bytes, qsizetype chunk);

    QTcpServer *m_server;
    QHash<QByteArray, QByteArray> m_files;
    QHash<QByteArray, QByteArray> m_rawResponses;
    QHash<QByteArray, QByteArray> m_etags;
    QList<Scripted> m_faults;
    QList<Request> m_requests;
    bool m_rangeSupport = true;
    bool m_keepAlive = false;
};
