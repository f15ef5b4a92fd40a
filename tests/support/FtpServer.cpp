#include "FtpServer.h"

#include "ChildProcess.h"
#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>

FtpServer::FtpServer(const QString &rootFolder, FtpOptions options)
    : m_rootFolder(QDir(rootFolder).absolutePath()), m_options(std::move(options))
{
    ChildProcess::dieWithParent(m_process);
}

FtpServer::~FtpServer()
{
    ChildProcess::stop(m_process);
}

// The script prints its port on its first line once it listens.
bool FtpServer::start()
{
    const QString script = qEnvironmentVariable("QF_SOURCE_DIR") + "/tests/support/ftp_server.py";
    const QString rate = QString::number(m_options.rateLimit);
    const QString refusePort = m_options.refusePort ? "1" : "0";
    const QString address = m_options.ipv6 ? "::1" : "127.0.0.1";
    const QStringList arguments =
        QStringList{script,     m_rootFolder, logPath(),      rate,
                    refusePort, address,      m_options.user, m_options.password} +
        m_options.silentCommands;
    m_process.start("/usr/bin/python3", arguments);
    const QDeadlineTimer deadline(10000);
    while (!m_process.canReadLine() && m_process.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    m_port = quint16(m_process.readLine().trimmed().toUInt());
    if (m_port != 0)
        return true;
    m_error = "the FTP server did not start: " + m_process.errorString() + ' ' +
              QString::fromLocal8Bit(m_process.readAllStandardError());
    ChildProcess::stop(m_process);
    return false;
}

QStringList FtpServer::commands() const
{
    return QString::fromUtf8(TestFiles::readFile(logPath())).split('\n', Qt::SkipEmptyParts);
}
