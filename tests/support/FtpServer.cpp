#include "FtpServer.h"

#include "ChildProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

namespace {

constexpr int startTimeoutMs = 10000;

QString scriptPath()
{
    return qEnvironmentVariable("QF_SOURCE_DIR") + QStringLiteral("/tests/support/ftp_server.py");
}

} // namespace

FtpServer::FtpServer(const QString &rootFolder, Options options)
    : m_rootFolder(QDir(rootFolder).absolutePath()), m_options(std::move(options))
{
    ChildProcess::dieWithParent(m_process);
}

FtpServer::~FtpServer()
{
    stop();
}

bool FtpServer::start()
{
    if (!m_folder.isValid()) {
        m_error =
            QStringLiteral("cannot create a temporary folder: %1").arg(m_folder.errorString());
        return false;
    }
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments());
    if (!m_process.waitForStarted()) {
        m_error = QStringLiteral("cannot run /usr/bin/python3: %1").arg(m_process.errorString());
        return false;
    }
    if (readPort())
        return true;
    stop();
    return false;
}

QStringList FtpServer::arguments() const
{
    QStringList arguments = {scriptPath(), QStringLiteral("--root"), m_rootFolder,
                             QStringLiteral("--log"), logPath()};
    if (m_options.refusePort)
        arguments << QStringLiteral("--refuse-port");
    if (m_options.refuseLogin)
        arguments << QStringLiteral("--refuse-login");
    if (m_options.rateLimit > 0)
        arguments << QStringLiteral("--rate") << QString::number(m_options.rateLimit);
    if (!m_options.silentCommands.isEmpty())
        arguments << QStringLiteral("--silent") << m_options.silentCommands.join(QLatin1Char(','));
    return arguments;
}

// The script prints its port on its first line once it listens.
bool FtpServer::readPort()
{
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!m_process.canReadLine()) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired() ||
            !m_process.waitForReadyRead(int(deadline.remainingTime()))) {
            m_error = QStringLiteral("the FTP server did not start: %1")
                          .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
            return false;
        }
    }
    bool ok = false;
    m_port = quint16(m_process.readLine().trimmed().toUInt(&ok));
    if (!ok || m_port == 0) {
        m_error = QStringLiteral("the FTP server printed no port");
        return false;
    }
    return true;
}

void FtpServer::stop()
{
    ChildProcess::stop(m_process);
}

QString FtpServer::url(const QString &path) const
{
    const QString slash = path.startsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
    return QStringLiteral("ftp://127.0.0.1:%1").arg(m_port) + slash + path;
}

QString FtpServer::logPath() const
{
    return m_folder.filePath(QStringLiteral("commands.log"));
}

QStringList FtpServer::commands() const
{
    QFile log(logPath());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void FtpServer::clearCommands()
{
    QFile log(logPath());
    if (log.exists())
        log.resize(0);
}
