#include "store/ProjectPaths.h"

#include "store/FileNames.h"

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

ProjectPaths::ProjectPaths(const QString &dataFolder)
    : m_dataFolder(withTrailingSeparator(dataFolder))
{}

QString ProjectPaths::projectsFolder() const
{
    return m_dataFolder + QStringLiteral("projects/");
}

QString ProjectPaths::defaultDownloadFolder() const
{
    return m_dataFolder + QStringLiteral("received/");
}

QString ProjectPaths::mainListPath() const
{
    return projectsFolder() + QStringLiteral("main.qfd");
}

QString ProjectPaths::projectFolder(const QString &project) const
{
    return projectsFolder() + FileNames::safe(project) + QLatin1Char('/');
}

QString ProjectPaths::recordPath(const QString &project) const
{
    return projectFolder(project) + QStringLiteral("project.qfd");
}

QString ProjectPaths::packLogPath(const QString &project) const
{
    return projectFolder(project) + QStringLiteral("download.qfd");
}

QString ProjectPaths::elapsedPath(const QString &project) const
{
    return projectFolder(project) + QStringLiteral("infos.qfd");
}

QString ProjectPaths::statsPath(const QString &project) const
{
    return projectFolder(project) + QStringLiteral("stats.qfd");
}

QString ProjectPaths::validatorsPath(const QString &project) const
{
    return projectFolder(project) + QStringLiteral("server.qfd");
}

QString ProjectPaths::fileNamePath(const QString &project) const
{
    return projectFolder(project) + QStringLiteral("name.qfd");
}

QString ProjectPaths::joinedRecordPath(const QString &project) const
{
    return projectFolder(project) + QStringLiteral("joined.qfd");
}

QString ProjectPaths::accessPath(const QString &project) const
{
    return projectFolder(project) + QStringLiteral("access.qfd");
}

QString ProjectPaths::checksumPath(const QString &project) const
{
    return projectFolder(project) + QStringLiteral("checksum.qfd");
}

QString ProjectPaths::snapshotPath(const QString &project, const QString &baseName, int series,
                                   int k) const
{
    return projectFolder(project) + FileNames::safe(baseName) +
           QStringLiteral("(%1_%2).jpg").arg(series).arg(k);
}

QString ProjectPaths::receiveFolder(const QString &downloadFolder, const QString &project)
{
    return withTrailingSeparator(downloadFolder) + FileNames::safe(project) + QLatin1Char('/');
}

QString ProjectPaths::piecePath(const QString &receiveFolder, const QString &baseName, qint64 pack)
{
    return withTrailingSeparator(receiveFolder) + FileNames::safe(baseName) +
           QStringLiteral("(%1).qfd").arg(pack);
}

QString ProjectPaths::finalWorkPath(const QString &receiveFolder)
{
    return withTrailingSeparator(receiveFolder) + QStringLiteral("final.qfd");
}

QString ProjectPaths::joinedFilePath(const QString &downloadFolder, const QString &project)
{
    return withTrailingSeparator(downloadFolder) + FileNames::safe(project) +
           QStringLiteral(".qfd");
}

QString ProjectPaths::finalFilePath(const QString &downloadFolder, const QString &fileName)
{
    return withTrailingSeparator(downloadFolder) + FileNames::safe(fileName);
}
