#include "store/MainList.h"

#include "store/FileNames.h"
#include "store/TextLines.h"

#include <QSet>

namespace MainList {

Names read(const QByteArray &text)
{
    Names list;
    QSet<QString> seen;
    for (const QByteArray &line : TextLines::completeLines(text)) {
        const QString name = QString::fromUtf8(line);
        const bool safe = FileNames::isSafe(name);
        if (!safe || name.toUtf8() != line)
            list.damaged = true;
        if (safe && !seen.contains(name)) {
            seen.insert(name);
            list.names.append(name);
        }
    }
    return list;
}

} // namespace MainList
