#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QTcpServer;
class QTcpSocket;

// An in-process HTTP/1.1 server on 127.0.0.1 (port chosen by the system) for what real servers
// will not do. It serves files from memory with byte ranges ("bytes=a-b", "bytes=a-"), answers
// one request per connection (several, in turn, with setKeepAlive) and records every request. A
// scripted fault applies to the next `times` requests that match its filter, after which the
// server behaves. The test's event loop drives it: wait with QTRY_COMPARE, never by blocking.
//
// On a kept connection the last byte of each answer is held until the next request arrives, or
// for a short while: a request that arrives during the hold was sent before its answer had
// ended, and is counted as sent ahead.
class FaultServer final : public QObject
{
    Q_OBJECT
public:
    enum Fault
    {
        SplitHeader,    // the header in two writes 50 ms apart, cut inside a header line
        CloseMidBody,   // half the body, then a graceful close
        Stall,          // half the body, then silence with the connection open
        SlowBody,       // the body 4096 bytes every 20 ms, then a close
        CloseAfterBody, // the whole answer, then a graceful close (even when kept alive)
        ShiftedRange,   // the range asked for, from its second byte
        ShortRange,     // the first half of the range asked for, the connection left open
        EndlessHeader,  // a header that does not end for hours, one byte every 20 ms
        AnswerTwice,    // the whole answer twice in one write
        DropAhead,      // a request sent ahead is read and never answered
        Interim,        // "100 Continue" and "103 Early Hints" before the answer
        HeaderOnly,     // the header, then a graceful close
        EmptyRange,     // a 206 with "Content-Length: 0"
        Silent,         // the request is read and never answered, the connection left open
        // An error page with this status instead of the file.
        Status401 = 401,
        Status403 = 403,
        Status404 = 404,
        Status500 = 500,
    };
    Q_ENUM(Fault)

    explicit FaultServer(QObject *parent = nullptr); // listens at once

    QString url(const QString &file) const; // "127.0.0.1:PORT/file", no scheme

    // Paths start with "/". The ETag is sent with each answer, and an If-Range naming another
    // gets the whole file.
    void addFile(const QString &path, const QByteArray &body, const QByteArray &etag = {});
    // From now on the file's answers give this ETag and the file's own in turn, as the nodes
    // behind a load balancer do.
    void alternateEtag(const QString &path, const QByteArray &tag)
    {
        m_etags[path.toUtf8()] << tag;
    }
    // Sent byte for byte to every request for the path.
    void setRawResponse(const QString &path, const QByteArray &response)
    {
        m_rawResponses[path.toUtf8()] = response;
    }
    void setRangeSupport(bool on) { m_rangeSupport = on; } // off: 200 and the whole file
    void setKeepAlive(bool on) { m_keepAlive = on; } // "Connection: keep-alive", more requests
    // For requests whose range starts at fromByte or later.
    void addFault(Fault fault, int times, qint64 fromByte = 0)
    {
        m_faults.append({fault, times, fromByte});
    }
    void clearFaults() { m_faults.clear(); } // the server behaves from now on

    int requestCount() const { return m_requestCount; }
    int requestsAhead() const { return m_requestsAhead; }
    int pendingFaults() const; // scripted faults not used yet

private:
    struct Scripted
    {
        Fault fault;
        int remaining;
        qint64 fromByte;
    };
    struct Request
    {
        QByteArray path;        // "/file.bin"
        qint64 rangeStart = -1; // first byte asked for; -1 without a Range header
        qint64 rangeEnd = -1;   // last byte asked for; -1 when open-ended or absent
        QByteArray ifRange;     // the If-Range value; empty without one
    };

    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Request &request, std::optional<Fault> fault);
    void send(QTcpSocket *socket, const QByteArray &header, const QByteArray &body,
              std::optional<Fault> fault);
    void end(QTcpSocket *socket, bool leaveOpen = false);
    void releaseTail(QTcpSocket *socket);
    void dribble(QTcpSocket *socket, const QByteArray &bytes, qsizetype chunk);

    QTcpServer *m_server;
    QHash<QByteArray, QByteArray> m_files;
    QHash<QByteArray, QByteArray> m_rawResponses;
    QHash<QByteArray, QList<QByteArray>> m_etags; // given in turn
    int m_answers = 0;
    QList<Scripted> m_faults;
    int m_requestCount = 0;
    int m_requestsAhead = 0;
    bool m_rangeSupport = true;
    bool m_keepAlive = false;
};
