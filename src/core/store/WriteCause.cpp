#include "store/WriteCause.h"

#include <cerrno>

QString writeCauseText(int systemError)
{
    switch (systemError) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("No space is left on the disk.");
    case EROFS:
        return QStringLiteral("The disk is read-only.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Permission to write there is denied.");
    default:
        return QString();
    }
}
