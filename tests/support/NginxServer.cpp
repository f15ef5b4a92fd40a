#include "NginxServer.h"

#include "ChildProcess.h"
#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>

namespace {

constexpr int StartAttempts = 5;
constexpr int StartTimeoutMs = 10000;
constexpr int PollMs = 10;

// Paths are relative to the prefix, where nginx also makes its temporary folders.
constexpr const char *ConfigTemplate = R"(daemon off;
master_process off;
pid nginx.pid;
events {}
http {
    default_type application/octet-stream;
    log_format requests '$http_range\t$connection';
    access_log access.log requests;
    client_body_temp_path body;
    proxy_temp_path proxy;
    fastcgi_temp_path fastcgi;
    uwsgi_temp_path uwsgi;
    scgi_temp_path scgi;
    server {
        listen 127.0.0.1:%1%2;
        root "%3";
        limit_rate %4;
        sendfile on;
        sendfile_max_chunk %5;
        %6
    }
}
)";

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

NginxServer::NginxServer(const QString &rootFolder, Options options)
    : m_rootFolder(QDir(rootFolder).absolutePath()), m_options(std::move(options))
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    ChildProcess::dieWithParent(m_process);
}

NginxServer::~NginxServer()
{
    stop();
}

// Another program may take the port between our look and nginx's bind: then we try another.
bool NginxServer::start()
{
    if (m_options.tls != Options::Tls::Off && !makeCertificate())
        return false;
    m_portTaken = true;
    for (int attempt = 0; attempt < StartAttempts && m_portTaken; ++attempt) {
        m_port = freeLoopbackPort();
        if (launch())
            return true;
    }
    return false;
}

bool NginxServer::restart()
{
    stop();
    return launch();
}

void NginxServer::stop()
{
    ChildProcess::stop(m_process);
}

bool NginxServer::makeCertificate()
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.setWorkingDirectory(m_prefix.path());
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1", "-keyout", "key.pem", "-out", "cert.pem"});
    if (openssl.waitForFinished() && openssl.exitCode() == 0)
        return true;
    m_error = "openssl failed: " + QString::fromLocal8Bit(openssl.readAll());
    return false;
}

bool NginxServer::writeConfig()
{
    const QString tls = m_options.tls == Options::Tls::Off
                            ? QString()
                            : " ssl; ssl_certificate cert.pem; ssl_certificate_key key.pem";
    const QString config =
        QString::fromLatin1(ConfigTemplate)
            .arg(QString::number(m_port), tls, m_rootFolder, QString::number(m_options.limitRate),
                 QString::number(m_options.sendfileMaxChunk),
                 m_options.serverLines.join("\n        "));
    if (TestFiles::writeFile(m_prefix.filePath("nginx.conf"), config.toUtf8()))
        return true;
    m_error = QStringLiteral("cannot write the nginx config");
    return false;
}

// nginx writes its pid file once its listening socket is bound.
bool NginxServer::launch()
{
    if (!writeConfig())
        return false;
    QFile::remove(m_prefix.filePath("nginx.pid"));
    m_process.start("/usr/sbin/nginx",
                    {"-p", m_prefix.path() + '/', "-c", "nginx.conf", "-e", "error.log"});
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (m_process.waitForStarted() && !m_process.waitForFinished(PollMs)) {
        if (readFile(m_prefix.filePath("nginx.pid")).trimmed() ==
            QByteArray::number(m_process.processId()))
            return true;
        if (deadline.hasExpired()) {
            stop();
            break;
        }
    }
    const QByteArray errors = m_process.readAll() + readFile(m_prefix.filePath("error.log"));
    m_portTaken = errors.contains("Address already in use");
    m_error = "nginx did not come up: " + m_process.errorString() + ' ' + errors;
    return false;
}

QString NginxServer::url(const QString &path) const
{
    const QString scheme = m_options.tls == Options::Tls::Off ? "" : "https://";
    return scheme + QStringLiteral("127.0.0.1:%1/").arg(m_port) + path;
}

QList<NginxServer::Request> NginxServer::requests() const
{
    QList<Request> requests;
    const QString log = QString::fromUtf8(readFile(m_prefix.filePath("access.log")));
    for (const QString &line : log.split('\n', Qt::SkipEmptyParts)) {
        const QString range = line.section('\t', 0, 0);
        requests.append({range == "-" ? QString() : range, line.section('\t', 1).toLongLong()});
    }
    return requests;
}

// nginx appends to its open log, so truncating the file starts the log afresh.
void NginxServer::clearAccessLog()
{
    QFile::resize(m_prefix.filePath("access.log"), 0);
}
