#include "SquidServer.h"

#include "TestFiles.h"
#include "TestHosts.h"

#include <QDir>
#include <QFile>

#include <pwd.h>
#include <unistd.h>

namespace {

// Only finished requests are logged, not the connections that start() makes to see squid up.
constexpr const char *ConfigTemplate = R"(http_port 127.0.0.1:%1
http_port [::1]:%1
hosts_file %2/hosts
pid_filename %2/squid.pid
cache_log %2/cache.log
coredump_dir %2
acl request has request
logformat requests %rm %ru %>Hs %un
access_log stdio:%2/access.log requests request
cache deny all
netdb_filename none
pinger_enable off
acl local src 127.0.0.1 ::1
acl CONNECT method CONNECT
acl tunnel port %3
http_access deny CONNECT !tunnel
%4
)";

constexpr const char *LoginTemplate = R"(auth_param basic program /usr/lib/squid/basic_ncsa_auth %1
auth_param basic realm tests
acl login proxy_auth REQUIRED
http_access allow local login
)";

// Squid will not work as root: started as root, it becomes the user "proxy" right after reading
// its configuration, and that user must then write in the folder.
bool workAsProxyUser(const QString &folder, QString &configuration)
{
    if (::geteuid() != 0)
        return true;
    const passwd *proxy = ::getpwnam("proxy");
    configuration += "cache_effective_user proxy\n";
    return proxy &&
           ::chown(QFile::encodeName(folder).constData(), proxy->pw_uid, proxy->pw_gid) == 0;
}

} // namespace

SquidServer::SquidServer(SquidOptions options) : m_options(std::move(options))
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    ChildProcess::dieWithParent(m_process);
}

// Another program may take the free port we found, on either address, before squid binds it:
// then we try another.
bool SquidServer::start()
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = ChildProcess::freePort();
        if (launch())
            return true;
    }
    return false;
}

// The service name is squid's prefix for its shared memory in /dev/shm: one per port keeps the
// squids of tests running side by side apart.
bool SquidServer::launch()
{
    const QString folder = m_folder.path();
    const QString ports = m_options.tunnelPorts.isEmpty() ? "0" : m_options.tunnelPorts.join(' ');
    QString rules = "http_access allow local\n";
    if (!m_options.user.isEmpty()) {
        TestFiles::writeFile(folder + "/passwords",
                             TestFiles::passwordLine(m_options.user, m_options.password));
        rules = QString::fromLatin1(LoginTemplate).arg(folder + "/passwords");
    }
    QString configuration =
        QString::fromLatin1(ConfigTemplate).arg(QString::number(m_port), folder, ports, rules) +
        "http_access deny all\n";
    if (!workAsProxyUser(folder, configuration)) {
        m_error = "squid cannot work as the user proxy in " + folder;
        return false;
    }
    TestFiles::writeFile(folder + "/squid.conf", configuration.toUtf8());
    TestFiles::writeFile(folder + "/hosts", TestFiles::readFile("/etc/hosts") + '\n' +
                                                TestFiles::readFile(TestHosts::hostsFile()));
    removeSharedMemory();
    m_process.start("/usr/sbin/squid", {"-N", "-n", serviceName(), "-f", folder + "/squid.conf"});
    if (ChildProcess::waitUntilListening(m_process, QHostAddress::LocalHost, m_port) &&
        ChildProcess::waitUntilListening(m_process, QHostAddress::LocalHostIPv6, m_port))
        return true;
    stop();
    m_error = "squid did not come up: " + m_process.errorString() + ' ' + m_process.readAll() +
              TestFiles::readFile(folder + "/cache.log");
    return false;
}

// Squid takes a second or more to end on SIGTERM; killed, it leaves its shared memory behind.
void SquidServer::stop()
{
    m_process.kill();
    m_process.waitForFinished();
    removeSharedMemory();
}

void SquidServer::removeSharedMemory() const
{
    QDir shared("/dev/shm");
    for (const QString &name : shared.entryList({serviceName() + "-*"}, QDir::Files))
        shared.remove(name);
}

QStringList SquidServer::requests() const
{
    return QString::fromUtf8(TestFiles::readFile(m_folder.filePath("access.log")))
        .split('\n', Qt::SkipEmptyParts);
}
