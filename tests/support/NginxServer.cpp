#include "NginxServer.h"

#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>

namespace {

// Paths are relative to the prefix, where nginx also makes its temporary folders (its built-in
// ones need root). Without a types map every file goes out as text/plain.
constexpr const char *ConfigTemplate = R"(daemon off;
master_process off;
pid nginx.pid;
events {}
http {
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

// Another program may take the free port we found before nginx binds it: then we try another.
bool NginxServer::start()
{
    const QStringList certificate =
        QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj "
                       "/CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -out")
            .split(u' ') +
        QStringList{caFile(), "-keyout", m_prefix.filePath("key.pem")};
    if (m_options.tls != Options::Tls::Off && QProcess::execute("openssl", certificate) != 0) {
        m_error = QStringLiteral("openssl could not make a certificate");
        return false;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
        probe.close();
        if (launch())
            return true;
    }
    return false;
}

// nginx writes its pid file once its listening socket is bound.
bool NginxServer::launch()
{
    const QString tls = m_options.tls == Options::Tls::Off
                            ? QString()
                            : " ssl; ssl_certificate cert.pem; ssl_certificate_key key.pem";
    const QString config =
        QString::fromLatin1(ConfigTemplate)
            .arg(QString::number(m_port), tls, m_rootFolder, QString::number(m_options.limitRate),
                 QString::number(m_options.sendfileMaxChunk),
                 m_options.serverLines.join("\n        "));
    QFile::remove(m_prefix.filePath("nginx.pid"));
    // nginx names a config it cannot read in its own errors.
    TestFiles::writeFile(m_prefix.filePath("nginx.conf"), config.toUtf8());
    m_process.start("/usr/sbin/nginx",
                    {"-p", m_prefix.path() + '/', "-c", "nginx.conf", "-e", "error.log"});
    const QDeadlineTimer deadline(10000);
    while (m_process.waitForStarted() && !m_process.waitForFinished(10) && !deadline.hasExpired()) {
        if (readFile(m_prefix.filePath("nginx.pid")).trimmed() ==
            QByteArray::number(m_process.processId()))
            return true;
    }
    stop();
    m_error = "nginx did not come up: " + m_process.errorString() + ' ' + m_process.readAll() +
              readFile(m_prefix.filePath("error.log"));
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
