#include "NginxServer.h"

#include "TestFiles.h"
#include "TestHosts.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Paths are relative to the prefix, where nginx also makes its temporary folders (its built-in
// ones need root). Without a types map every file goes out as text/plain. Each log line is a JSON
// array, so that any byte a client sends in a header comes back as it was.
constexpr const char *ConfigTemplate = R"(daemon off;
master_process off;
pid nginx.pid;
events {}
http {
    log_format requests escape=json '["$http_range", "$connection", "$status", "$request_uri", '
        '"$http_cookie", "$http_referer", "$http_user_agent", "$http_authorization"]';
    access_log access.log requests;
    client_body_temp_path body; proxy_temp_path proxy; fastcgi_temp_path fastcgi;
    uwsgi_temp_path uwsgi; scgi_temp_path scgi;
    server {
        %1
        root "%2";
        limit_rate %3;
        sendfile on;
        sendfile_max_chunk %4;
        %5
    }
}
)";

// A quoted string of nginx's configuration, which takes backslash escapes. "$" still starts a
// variable in a header value.
QString quoted(QString text)
{
    return '"' + text.replace('\\', "\\\\").replace('"', "\\\"") + '"';
}

// The locations of the options' logins, dispositions and gates; the password files they name are
// written in folder.
QStringList locations(const NginxOptions &options, const QDir &folder)
{
    QStringList lines;
    for (const NginxOptions::Login &login : options.logins) {
        const QString file = QStringLiteral("login%1").arg(lines.size());
        TestFiles::writeFile(folder.filePath(file),
                             TestFiles::passwordLine(login.user, login.password));
        lines << QStringLiteral("location %1 { auth_basic \"tests\"; auth_basic_user_file %2; }")
                     .arg(quoted(login.path), file);
    }
    for (const auto &[path, value] : options.dispositions)
        lines << QStringLiteral("location = %1 { add_header Content-Disposition %2; }")
                     .arg(quoted(path), quoted(value));
    for (const NginxOptions::Gate &gate : options.gates)
        lines << QStringLiteral("location %1 { if ($cookie_%2 != %3) { return 403; } "
                                "if ($http_referer !~ %4) { return 403; } }")
                     .arg(quoted(gate.path), gate.cookieName, quoted(gate.cookieValue),
                          quoted("^\\Q" + gate.referer + "\\E"));
    return lines;
}

} // namespace

NginxServer::NginxServer(const QString &rootFolder, NginxOptions options)
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
                       "/CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,IP:::1,DNS:localhost,"
                       "DNS:%1 -out")
            .arg(TestHosts::Ipv6Only)
            .split(u' ') +
        QStringList{caFile(), "-keyout", m_prefix.filePath("key.pem")};
    if (m_options.tls != NginxOptions::Tls::Off && QProcess::execute("openssl", certificate) != 0) {
        m_error = QStringLiteral("openssl could not make a certificate");
        return false;
    }
    m_locations = locations(m_options, QDir(m_prefix.path()));
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = ChildProcess::freePort();
        if (launch())
            return true;
    }
    return false;
}

// nginx writes its pid file once its listening socket is bound.
bool NginxServer::launch()
{
    const QString ssl = m_options.tls == NginxOptions::Tls::Off ? "" : " ssl";
    const QString address = m_options.ipv6 ? "[::1]" : "127.0.0.1";
    QStringList listen{QStringLiteral("listen %1:%2%3;").arg(address).arg(m_port).arg(ssl)};
    if (!ssl.isEmpty())
        listen << "ssl_certificate cert.pem; ssl_certificate_key key.pem;";
    const QString config =
        QString::fromLatin1(ConfigTemplate)
            .arg(listen.join(' '), m_rootFolder, QString::number(m_options.limitRate),
                 QString::number(m_options.sendfileMaxChunk),
                 (m_options.serverLines + m_locations).join("\n        "));
    QFile::remove(m_prefix.filePath("nginx.pid"));
    // nginx names a config it cannot read in its own errors.
    TestFiles::writeFile(m_prefix.filePath("nginx.conf"), config.toUtf8());
    m_process.start("/usr/sbin/nginx",
                    {"-p", m_prefix.path() + '/', "-c", "nginx.conf", "-e", "error.log"});
    const QDeadlineTimer deadline(10000);
    while (m_process.waitForStarted() && !m_process.waitForFinished(10) && !deadline.hasExpired()) {
        if (TestFiles::readFile(m_prefix.filePath("nginx.pid")).trimmed() ==
            QByteArray::number(m_process.processId()))
            return true;
    }
    stop();
    m_error = "nginx did not come up: " + m_process.errorString() + ' ' + m_process.readAll() +
              TestFiles::readFile(m_prefix.filePath("error.log"));
    return false;
}

QString NginxServer::url(const QString &path) const
{
    const QString scheme = m_options.tls == NginxOptions::Tls::Off ? "" : "https://";
    const QString host = m_options.ipv6 ? "[::1]" : "127.0.0.1";
    return scheme + QStringLiteral("%1:%2/").arg(host).arg(m_port) + path;
}

QList<NginxServer::Request> NginxServer::requests() const
{
    QList<Request> requests;
    for (const QByteArray &line :
         TestFiles::readFile(m_prefix.filePath("access.log")).split('\n')) {
        const QJsonArray fields = QJsonDocument::fromJson(line).array();
        if (fields.size() < 8)
            continue;
        const auto field = [&fields](int index) { return fields[index].toString(); };
        requests.append({field(0), field(1).toLongLong(), field(2).toInt(), field(3), field(4),
                         field(5), field(6), field(7)});
    }
    return requests;
}
