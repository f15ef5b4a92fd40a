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
// will not do: split headers, resets, stalls, wrong status, missing headers. It serves files from
// memory with byte ranges ("bytes=a-b", "bytes=a-"), answers one request per
// connection (several, in turn, with setKeepAlive) and records every request. A scripted fault
// applies to the next `times` requests that match its filter, after which the server behaves. The
// test's event loop drives it, so wait with QSignalSpy::wait or QTRY_COMPARE, never by blocking.
class FaultServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FaultServer)
public:
    enum Fault
    {
        SplitHeader,        // header block in two writes ~50 ms apart, cut inside a header line
        MissingContentType, // normal response without Content-Type
        FullBodyForRange,   // 200 with the whole file, even to a ranged request
        Status416,          // 416 Range Not Satisfiable
        Status500,          // 500 Internal Server Error
        CloseMidBody,       // header and part of the body, then a graceful close
        ResetMidBody,       // header and part of the body, then a reset (RST)
        Stall,              // header and part of the body, then silence with the connection open
        SlowBody,           // the body in small chunks at a slow pace (see setSlowBody)
        CloseAfterBody,     // the whole answer, then a graceful close (even when kept alive)
        ChunkedBody,        // the body in chunked transfer coding (Content-Length kept)
        Status403,          // 403 Forbidden
        Status404,          // 404 Not Found
        Redirect,           // 302 Found to the same path
        ShiftedRange,       // the range asked for, from its second byte
        WrongTotal,         // the range asked for, with a total larger than the file
        ShortRange,         // the first half of the range asked for, the connection kept open
        EndlessHeader,      // a header that never ends, one byte every 20 ms
    };
    Q_ENUM(Fault)

    struct Request
    {
        QByteArray raw;         // request line and headers as received
        QByteArray method;      // "GET", "HEAD"
        QByteArray path;        // the target as sent: "/file.bin"
        qint64 rangeStart = -1; // first byte asked for; -1 without a Range header
        qint64 rangeEnd = -1;   // last byte asked for; -1 when open-ended or absent
        QByteArray ifRange;     // the If-Range value; empty without one
    };
    using Filter = std::function<bool(const Request &)>;

    explicit FaultServer(QObject *parent = nullptr); // listens at once
    ~FaultServer() override;

    bool isListening() const;
    quint16 port() const;
    QString url(const QString &path) const; // "127.0.0.1:PORT/path", no scheme

    void addFile(const QString &path, const QByteArray &body);
    // The file's ETag: sent with each answer, and an If-Range naming another gets the whole file.
    void setEtag(const QString &path, const QByteArray &etag);
    void setRawResponse(const QString &path, const QByteArray &response); // sent byte for byte
    void setRangeSupport(bool on); // off: every file request gets 200 and the whole body
    void setHeaderSplit(bool on);  // split the header block of every response
    void setKeepAlive(bool on);    // "Connection: keep-alive", the next request read after it
    void addFault(Fault fault, int times, Filter filter = {});
    void clearFaults();                                  // the server behaves from now on
    void setFaultBodyBytes(qint64 bytes);                // before a mid-body fault; default half
    void setSlowBody(qint64 chunkBytes, int intervalMs); // default 8192 bytes every 10 ms

    QList<Request> requests() const { return m_requests; }
    int requestCount() const { return int(m_requests.size()); }
    int pendingFaults() const; // scripted faults not used yet

signals:
    void requestReceived(int count);

private:
    struct ScriptedFault
    {
        Fault fault;
        int remaining;
        Filter filter;
    };
    struct Response
    {
        QByteArray header;
        QByteArray body;
    };
    enum class BodyMode
    {
        Complete,
        Close,
        Reset,
        Stall,
        Slow,
        CloseAfter,
        KeepOpen
    };

    void acceptConnections();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Request &request);
    std::optional<Fault> takeFault(const Request &request);
    Response fileResponse(const Request &request, const QByteArray &file,
                          std::optional<Fault> fault) const;
    void sendHeader(QTcpSocket *socket, const QByteArray &header, bool split,
                    const std::function<void()> &then);
    void sendBody(QTcpSocket *socket, const QByteArray &body, BodyMode mode);
    void sendSlowly(QTcpSocket *socket, const QByteArray &body);
    void sendEndlessHeader(QTcpSocket *socket);
    qint64 partSize(const QByteArray &body) const;

    QTcpServer *m_server;
    QHash<QByteArray, QByteArray> m_files;
    QHash<QByteArray, QByteArray> m_rawResponses;
    QHash<QByteArray, QByteArray> m_etags;
    QList<ScriptedFault> m_faults;
    QList<Request> m_requests;
    bool m_rangeSupport = true;
    bool m_headerSplit = false;
    bool m_keepAlive = false;
    qint64 m_faultBodyBytes = -1;
    qint64 m_slowChunkBytes = 8192;
    int m_slowIntervalMs = 10;
};
