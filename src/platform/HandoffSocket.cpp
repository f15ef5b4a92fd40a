#include "platform/HandoffSocket.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace HandoffSocket {

QString name()
{
    const QString chosen = qEnvironmentVariable("QUILLFETCH_HANDOFF_SOCKET");
    if (!chosen.isEmpty())
        return chosen;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QString()
                            : QDir(folder).filePath(QStringLiteral("quillfetch-handoff"));
}

bool isPrivate(const QString &name)
{
    if (!QFileInfo(name).isAbsolute())
        return false;
    struct stat folder = {};
    const QByteArray path = QFile::encodeName(QFileInfo(name).absolutePath());
    return ::lstat(path.constData(), &folder) == 0 && S_ISDIR(folder.st_mode) &&
           folder.st_uid == ::geteuid() && (folder.st_mode & 0777) == 0700;
}

bool isAbandoned(const QString &name)
{
    const QByteArray path = QFile::encodeName(name);
    struct stat entry = {};
    sockaddr_un address = {};
    if (::lstat(path.constData(), &entry) != 0 || !S_ISSOCK(entry.st_mode) ||
        size_t(path.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    // Non-blocking: a live listener whose queue is full must not hold the caller up.
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const bool refused =
        ::connect(probe, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 &&
        errno == ECONNREFUSED;
    ::close(probe);
    return refused;
}

bool endWriting(qintptr descriptor)
{
    return ::shutdown(int(descriptor), SHUT_WR) == 0;
}

} // namespace HandoffSocket
