#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// How an FtpServer behaves.
struct FtpOptions
{
    bool refusePort = false;    // PORT and EPRT answered 500: only passive mode works
    bool refuseLogin = false;   // every login answered 530
    qint64 rateLimit = 0;       // download bytes per second per data connection, 0 = unlimited
    QStringList silentCommands; // commands logged but never answered, e.g. {"SIZE"}
};

// A real FTP server for one test (pyftpdlib run by /usr/bin/python3 from ftp_server.py):
// anonymous, read-only on rootFolder, control and data connections (passive and active) on
// 127.0.0.1 only, port chosen by the system. Every command line it receives is logged for
// commands(). stop() or the destructor ends it; it also dies with the test process.
class FtpServer final
{
public:
    using Options = FtpOptions;

    explicit FtpServer(const QString &rootFolder, Options options = {});
    ~FtpServer();

    bool start(); // false with errorString() when the server does not come up
    void stop();
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    QString url(const QString &path) const; // "ftp://127.0.0.1:PORT/path"

    QStringList commands() const; // "USER anonymous", "REST 512000", ... in arrival order
    void clearCommands();

private:
    QStringList arguments() const;
    bool readPort();
    QString logPath() const;

    QString m_rootFolder;
    Options m_options;
    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
