#include "NginxServer.h"

#include "ChildProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

constexpr int startAttempts = 5;
constexpr int startTimeoutMs = 10000;
constexpr int connectTryMs = 200;
constexpr int pollMs = 10;

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 number(const QString &field)
{
    return field == QLatin1String("-") ? 0 : field.toLongLong();
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

bool NginxServer::start()
{
    if (!m_prefix.isValid()) {
        m_error =
            QStringLiteral("cannot create a temporary folder: %1").arg(m_prefix.errorString());
        return false;
    }
    if (m_options.tls != Options::Tls::Off && !makeCertificate())
        return false;
    for (int attempt = 0; attempt < startAttempts; ++attempt) {
        bool portTaken = false;
        if (startOnce(&portTaken))
            return true;
        if (!portTaken)
            return false;
    }
    return false;
}

// Another program may take the port between our probe and nginx's bind: the caller retries.
bool NginxServer::startOnce(bool *portTaken)
{
    m_port = freeLoopbackPort();
    if (m_port == 0) {
        m_error = QStringLiteral("no free port on 127.0.0.1");
        return false;
    }
    return launch(portTaken);
}

bool NginxServer::restart()
{
    stop();
    bool portTaken = false;
    return launch(&portTaken);
}

bool NginxServer::launch(bool *portTaken)
{
    if (!writeConfig())
        return false;
    QFile::remove(pidPath());
    QFile::remove(errorLogPath());
    const QString prefix = m_prefix.path() + QLatin1Char('/');
    m_process.start(QStringLiteral("/usr/sbin/nginx"),
                    {QStringLiteral("-p"), prefix, QStringLiteral("-c"), prefix + "nginx.conf",
                     QStringLiteral("-e"), errorLogPath()});
    if (!m_process.waitForStarted()) {
        m_error = QStringLiteral("cannot run /usr/sbin/nginx: %1").arg(m_process.errorString());
        return false;
    }
    return waitUntilListening(portTaken);
}

// nginx writes its pid file once its listening socket is bound, so a connection made after that
// reaches nginx and not another program that holds the port.
bool NginxServer::waitUntilListening(bool *portTaken)
{
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning || m_process.waitForFinished(pollMs)) {
            const QByteArray errors = m_process.readAll() + readFile(errorLogPath());
            *portTaken = errors.contains("Address already in use");
            m_error = QStringLiteral("nginx exited: %1").arg(QString::fromLocal8Bit(errors));
            return false;
        }
        if (readFile(pidPath()).trimmed() != QByteArray::number(m_process.processId()))
            continue;
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(connectTryMs))
            return true;
    }
    m_error = QStringLiteral("nginx did not listen on port %1 in time").arg(m_port);
    stop();
    return false;
}

void NginxServer::stop()
{
    ChildProcess::stop(m_process);
}

bool NginxServer::writeConfig()
{
    for (const char *folder : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        QDir(m_prefix.path()).mkpath(QString::fromLatin1(folder));
    QFile config(m_prefix.filePath(QStringLiteral("nginx.conf")));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        config.write(configText().toUtf8()) < 0 || !config.flush()) {
        m_error = QStringLiteral("cannot write the nginx config: %1").arg(config.errorString());
        return false;
    }
    return true;
}

// EC keys are made in a blink. The server certificate names 127.0.0.1, where tests connect.
bool NginxServer::makeCertificate()
{
    const QString key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 ";
    QString script = "set -e; cd \"" + m_prefix.path() + "\"; ";
    if (m_options.tls == Options::Tls::TestAuthority)
        script += "openssl req -x509 " + key + "-keyout ca.key -out ca.pem -subj /CN=TestCA; ";
    script += "openssl req -x509 " + key +
              "-keyout server.key -out server.pem -subj /CN=127.0.0.1" +
              " -addext subjectAltName=IP:127.0.0.1";
    if (m_options.tls == Options::Tls::TestAuthority)
        script += " -CA ca.pem -CAkey ca.key";
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
    if (openssl.waitForFinished() && openssl.exitCode() == 0)
        return true;
    m_error = QStringLiteral("openssl failed: %1").arg(QString::fromLocal8Bit(openssl.readAll()));
    return false;
}

QString NginxServer::configText() const
{
    const QString prefix = m_prefix.path() + QLatin1Char('/');
    QStringList lines = {
        "daemon off;",
        "master_process off;",
        "worker_processes 1;",
        "pid " + pidPath() + ";",
        "error_log " + errorLogPath() + " info;",
        "events { worker_connections 256; }",
        "http {",
        "    types { text/html html htm; text/plain txt; }",
        "    default_type application/octet-stream;",
        "    log_format requests "
        "'$request\\t$status\\t$bytes_sent\\t$body_bytes_sent\\t$http_range\\t$connection';",
        "    access_log " + logPath() + " requests;",
        "    client_body_temp_path " + prefix + "client_body;",
        "    proxy_temp_path " + prefix + "proxy;",
        "    fastcgi_temp_path " + prefix + "fastcgi;",
        "    uwsgi_temp_path " + prefix + "uwsgi;",
        "    scgi_temp_path " + prefix + "scgi;",
        "    sendfile on;",
        "    server {",
        QStringLiteral("        listen 127.0.0.1:%1%2;")
            .arg(m_port)
            .arg(m_options.tls == Options::Tls::Off ? "" : " ssl"),
        "        server_name localhost;",
        "        root \"" + m_rootFolder + "\";",
    };
    if (m_options.tls != Options::Tls::Off)
        lines << "        ssl_certificate " + prefix + "server.pem;"
              << "        ssl_certificate_key " + prefix + "server.key;";
    if (m_options.limitRate > 0)
        lines << QStringLiteral("        limit_rate %1;").arg(m_options.limitRate);
    if (m_options.sendfileMaxChunk > 0)
        lines << QStringLiteral("        sendfile_max_chunk %1;").arg(m_options.sendfileMaxChunk);
    for (const QString &line : m_options.serverLines)
        lines << "        " + line;
    lines << "    }"
          << "}";
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString NginxServer::url(const QString &path) const
{
    const QString slash = path.startsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
    const QString scheme = m_options.tls == Options::Tls::Off ? "" : "https://";
    return scheme + QStringLiteral("127.0.0.1:%1").arg(m_port) + slash + path;
}

QString NginxServer::caFile() const
{
    return m_prefix.filePath(QStringLiteral("ca.pem"));
}

QString NginxServer::logPath() const
{
    return m_prefix.filePath(QStringLiteral("access.log"));
}

QString NginxServer::pidPath() const
{
    return m_prefix.filePath(QStringLiteral("nginx.pid"));
}

QString NginxServer::errorLogPath() const
{
    return m_prefix.filePath(QStringLiteral("error.log"));
}

QStringList NginxServer::accessLog() const
{
    QFile log(logPath());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<NginxServer::Request> NginxServer::requests() const
{
    QList<Request> requests;
    for (const QString &line : accessLog()) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 6)
            continue;
        const QString range = fields.at(4) == QLatin1String("-") ? QString() : fields.at(4);
        requests.append({fields.at(0), fields.at(1).toInt(), number(fields.at(2)),
                         number(fields.at(3)), range, number(fields.at(5))});
    }
    return requests;
}

// nginx appends to its open log, so truncating the file starts the log afresh.
void NginxServer::clearAccessLog()
{
    QFile log(logPath());
    if (log.exists())
        log.resize(0);
}
