#include "options/DownloadFolderCheck.h"

#include <QDir>
#include <QTemporaryFile>

QString prepareDownloadFolder(const QString &folder)
{
    // A relative path would follow the working folder, which changes from one start to the next.
    if (!QDir::isAbsolutePath(folder))
        return QStringLiteral("Please enter the full path of the download folder !");
    const QString unusable =
        QStringLiteral("Unable to create or write into the folder %1 ! Please choose another one.")
            .arg(QDir::toNativeSeparators(folder));
    if (!QDir().mkpath(folder))
        return unusable;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".quillfetch-XXXXXX")));
    if (!probe.open() || probe.write("0", 1) != 1 || !probe.flush())
        return unusable;
    return {};
}
