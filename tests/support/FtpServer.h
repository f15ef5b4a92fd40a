#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// How an FtpServer behaves.
struct FtpOptions
{
    bool refusePort = false;      // PORT answered 500: only passive mode works
    qint64 rateLimit = 0;         // download bytes per second per data connection, 0 = unlimited
    QStringList silentCommands{}; // commands logged but never answered, e.g. {"SIZE"}
    QString user{}, password{};   // a login besides anonymous, with the same rights, when set
    bool ipv6 = false;            // on ::1 instead of 127.0.0.1, where it takes EPSV and EPRT
};

// A real FTP server for one test (pyftpdlib run by /usr/bin/python3 from ftp_server.py):
// anonymous, read-only on rootFolder, control and data connections (passive and active) on one
// loopback address, port chosen by the system. Every command line it receives is logged for
// commands(). The destructor ends it; it also dies with the test process.
class FtpServer final
{
public:
    explicit FtpServer(const QString &rootFolder, FtpOptions options = {});
    ~FtpServer();

    bool start(); // false with errorString() when the server does not come up
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    // "127.0.0.1:PORT/path" or "[::1]:PORT/path": queued without its scheme, as the
    // new-project dialog queues it.
    QString url(const QString &path) const
    {
        return QStringLiteral("%1:%2/").arg(m_options.ipv6 ? "[::1]" : "127.0.0.1").arg(m_port) +
               path;
    }

    QStringList commands() const; // "USER anonymous", "REST 512000", ... in arrival order
    void clearCommands() { QFile::resize(logPath(), 0); }

private:
    QString logPath() const { return m_folder.filePath(QStringLiteral("commands.log")); }

    QString m_rootFolder;
    FtpOptions m_options;
    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
