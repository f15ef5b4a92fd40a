#include "platform/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString resolveDataFolder(const QString &programFolder)
{
    const QString home = qEnvironmentVariable("QUILLFETCH_HOME");
    if (!home.isEmpty())
        return withTrailingSeparator(QDir(home).absolutePath());

    const QString program = withTrailingSeparator(programFolder);
    if (QFileInfo(program + QStringLiteral("portable")).isFile())
        return program;

    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // Without a per-user folder the data would land in the working folder; keep it with
    // the program instead.
    if (userData.isEmpty())
        return program;
    return withTrailingSeparator(userData) + QStringLiteral("Quillfetch/");
}

QString withTrailingSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder;
#ifdef Q_OS_WIN
    if (folder.endsWith(u'\\'))
        return folder;
#endif
    return folder + u'/';
}
