#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// How an NginxServer serves its folder. A slowed response goes out in sendfileMaxChunk writes
// spaced to keep limitRate; nginx never delays the last write, so the final chunk comes at once.
struct NginxOptions
{
    qint64 limitRate = 0;        // bytes per second per connection, 0 = unlimited
    qint64 sendfileMaxChunk = 0; // bytes per write (e.g. 64000), 0 = nginx's default
    QStringList serverLines; // raw lines inside server {}, e.g. "location = /old { return 404; }"
    // HTTPS with a certificate for 127.0.0.1 that openssl makes at start: signed by a test
    // authority of its own (caFile(), trusted only where a test names it), or self-signed.
    enum class Tls
    {
        Off,
        TestAuthority,
        SelfSigned
    } tls = Tls::Off;
};

// A real nginx for one test: serves rootFolder on a free 127.0.0.1 port, run from its own
// temporary prefix (config, pid, logs, temp folders) in the foreground without a master process,
// so it never switches user. The access log records every request with its status, bytes sent
// and Range header; nginx writes a line once a response is finished, so poll it with
// QTRY_COMPARE. stop() or the destructor ends nginx; it also dies with the test process.
class NginxServer final
{
public:
    using Options = NginxOptions;

    // One access log line.
    struct Request
    {
        QString requestLine; // "GET /file.bin HTTP/1.1"
        int status = 0;
        qint64 bytesSent = 0;     // header and body
        qint64 bodyBytesSent = 0; // body only
        QString range;            // the Range header, empty when there was none
        qint64 connection = 0;    // nginx's serial number of the connection
    };

    explicit NginxServer(const QString &rootFolder, Options options = {});
    ~NginxServer();

    bool start(); // false with errorString() when nginx does not come up
    void stop();
    // Starts nginx again after stop(), on the same port and with the same access log.
    bool restart();
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    // "127.0.0.1:PORT/path", no scheme; "https://127.0.0.1:PORT/path" over TLS.
    QString url(const QString &path) const;
    QString caFile() const; // the test authority's certificate (PEM)

    QStringList accessLog() const; // raw lines
    QList<Request> requests() const;
    void clearAccessLog(); // e.g. to count only the requests after a probe

private:
    bool writeConfig();
    bool makeCertificate();
    bool startOnce(bool *portTaken);
    bool launch(bool *portTaken);
    bool waitUntilListening(bool *portTaken);
    QString configText() const;
    QString logPath() const;
    QString pidPath() const;
    QString errorLogPath() const;

    QString m_rootFolder;
    Options m_options;
    QTemporaryDir m_prefix;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
