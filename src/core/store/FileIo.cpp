#include "store/FileIo.h"

#include <QFile>
#include <QSaveFile>

namespace FileIo {

std::optional<QByteArray> read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool writeAtomically(const QString &path, const QByteArray &bytes,
                     std::optional<QFileDevice::Permissions> permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The new file takes the old one's permissions, or the umask's: a private one must be
    // private before it holds anything.
    if (permissions && !file.setPermissions(*permissions)) {
        file.cancelWriting();
        return false;
    }
    // On a full disk commit() can report success with error() set and leave an empty file in
    // place of the old one: the bytes must reach the disk before the file takes its name.
    if (file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace FileIo
