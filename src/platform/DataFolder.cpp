#include "platform/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The folders here come from Qt, which writes "/" on every system and ends no folder with it
// but the root.
QString asFolder(const QString &folder)
{
    return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

QString resolveDataFolder(const QString &programFolder)
{
    const QString home = qEnvironmentVariable("QUILLFETCH_HOME");
    if (!home.isEmpty())
        return asFolder(QDir(home).absolutePath());

    const QString program = asFolder(programFolder);
    if (QFileInfo(program + QStringLiteral("portable")).isFile())
        return program;

    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // Without a per-user folder the data would land in the working folder; keep it with
    // the program instead.
    if (userData.isEmpty())
        return program;
    return asFolder(userData) + QStringLiteral("Quillfetch/");
}
