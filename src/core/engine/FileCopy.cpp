#include "engine/FileCopy.h"

#include <QByteArray>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <unistd.h>
#endif

namespace FileCopy {
namespace {

constexpr qint64 BufferSize = 1024 * 1024;

bool copyBuffered(QFile &from, qint64 fromOffset, QFile &to, qint64 at, qint64 length)
{
    if (!from.seek(fromOffset) || !to.seek(at))
        return false;
    QByteArray buffer(qMin(length, BufferSize), Qt::Uninitialized);
    while (length > 0) {
        const qint64 got = from.read(buffer.data(), qMin(length, qint64(buffer.size())));
        if (got <= 0 || to.write(buffer.constData(), got) != got)
            return false;
        length -= got;
    }
    return true;
}

} // namespace

bool append(QFile &from, QFile &to, qint64 at, qint64 length)
{
    qint64 fromOffset = 0;
#ifdef Q_OS_LINUX
    loff_t inOffset = 0;
    loff_t outOffset = at;
    while (fromOffset < length) {
        const ssize_t copied = ::copy_file_range(from.handle(), &inOffset, to.handle(), &outOffset,
                                                 size_t(length - fromOffset), 0);
        if (copied == 0)
            return false; // the piece ended early
        if (copied < 0) {
            if (errno == EINTR)
                continue;
            if (errno != ENOSYS && errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP)
                return false;
            break; // not offered for these files: copy the rest through a buffer
        }
        fromOffset += copied;
    }
#endif
    return copyBuffered(from, fromOffset, to, at + fromOffset, length - fromOffset);
}

} // namespace FileCopy
