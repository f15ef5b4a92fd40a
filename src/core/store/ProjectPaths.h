#pragma once

#include <QString>

// The rule of every folder path Quillfetch builds on: appends "/" unless the path already ends
// with a separator ("\" counts on Windows only). An empty path stays empty rather than becoming
// the root folder.
QString withTrailingSeparator(const QString &folder);

// Every path of the project store. Folder paths end with "/".
//
// data folder/projects/main.qfd                  the project list
// data folder/projects/<project>/project.qfd     the project record (and download.qfd,
//                                                infos.qfd, stats.qfd, server.qfd, name.qfd,
//                                                joined.qfd, checksum.qfd, access.qfd, graph
//                                                snapshots)
// <download folder>/<project>/<base>(<n>).qfd    piece files, and final.qfd
// <download folder>/<project>.qfd               the joined file, while the receive folder holds
//                                                its name
// <download folder>/<final file name>            the finished file (see finalFileName)
//
// Every project, base and file name goes through FileNames::safe, and a folder given without its
// trailing separator gets one, so no path built here leaves its folder.
class ProjectPaths final
{
public:
    explicit ProjectPaths(const QString &dataFolder);

    QString dataFolder() const { return m_dataFolder; }
    QString projectsFolder() const;
    QString defaultDownloadFolder() const; // data folder/received/
    QString mainListPath() const;

    QString projectFolder(const QString &project) const;
    QString recordPath(const QString &project) const;
    QString packLogPath(const QString &project) const;
    QString elapsedPath(const QString &project) const;
    QString statsPath(const QString &project) const;
    QString validatorsPath(const QString &project) const;   // "server.qfd"
    QString fileNamePath(const QString &project) const;     // "name.qfd"
    QString joinedRecordPath(const QString &project) const; // "joined.qfd"
    QString checksumPath(const QString &project) const;     // "checksum.qfd"
    QString accessPath(const QString &project) const;       // "access.qfd"
    // series 1: average-speed graph, series 2: instant-speed graph; k counts from 0.
    QString snapshotPath(const QString &project, const QString &baseName, int series, int k) const;

    static QString receiveFolder(const QString &downloadFolder, const QString &project);
    static QString piecePath(const QString &receiveFolder, const QString &baseName, qint64 pack);
    static QString finalWorkPath(const QString &receiveFolder);
    static QString joinedFilePath(const QString &downloadFolder, const QString &project);
    static QString finalFilePath(const QString &downloadFolder, const QString &fileName);

private:
    QString m_dataFolder;
};
