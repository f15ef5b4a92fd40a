#include "engine/FileMoves.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileMoves {
namespace {

bool syncPath(const QString &path, int flags, int (*sync)(int))
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = sync(fd) == 0 || errno == EINVAL; // EINVAL: nothing to sync there
    return ::close(fd) == 0 && synced;
}

} // namespace

Move renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return Move::Done;
    if (errno == EEXIST)
        return Move::Taken;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return Move::Failed;
    if (::link(source.constData(), target.constData()) != 0)
        return errno == EEXIST ? Move::Taken : Move::Failed;
    return ::unlink(source.constData()) == 0 ? Move::Done : Move::Failed;
}

bool syncData(const QString &path)
{
    return syncPath(path, O_RDONLY, ::fdatasync);
}

bool syncFolder(const QString &folder)
{
    return syncPath(folder, O_RDONLY | O_DIRECTORY, ::fsync);
}

std::optional<FileIdentity> identity(const QString &path)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return FileIdentity{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                        qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

} // namespace FileMoves
