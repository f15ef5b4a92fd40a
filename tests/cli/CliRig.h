#pragma once

#include "TestHome.h"

#include "store/ProjectRecord.h"
#include "store/ProjectStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStringList>

// What the command-line tests share: the real quillfetch-cli started on a throw-away home,
// projects queued straight into its data folder, and the files it leaves behind.
namespace CliRig {

inline constexpr int FinishTimeoutMs = 120000;

inline QString binary()
{
    return qEnvironmentVariable("QF_BINARY_DIR") + QStringLiteral("/src/cli/quillfetch-cli");
}

inline bool start(QProcess &process, const TestHome &home, const QStringList &arguments)
{
    process.setProcessEnvironment(home.environment());
    process.start(binary(), arguments);
    return process.waitForStarted();
}

// The process ended by itself (not by a crash) within the time limit.
inline bool endedByItself(QProcess &process)
{
    if (process.state() != QProcess::NotRunning) {
        QSignalSpy spy(&process, &QProcess::finished);
        if (!spy.wait(FinishTimeoutMs))
            return false;
    }
    return process.exitStatus() == QProcess::NormalExit;
}

inline QString downloadFolderOf(const TestHome &home)
{
    return home.root() + QStringLiteral("downloads/");
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline qint64 bytesIn(const QString &folder)
{
    qint64 total = 0;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files))
        total += file.size();
    return total;
}

// A waiting project with the default options, as the new-project dialog records it.
inline bool queue(const TestHome &home, const QString &name, const QString &url, qint64 bytes,
                  const QString &downloadFolder, qint64 packSize = 512000)
{
    ProjectRecord record;
    record.url = url;
    record.bytes = bytes;
    record.path = downloadFolder;
    record.packSize = QString::number(packSize);
    record.showModem = QStringLiteral("1");
    record.bar1Back = record.bar2Back = record.graphBack = QStringLiteral("16777215");
    record.bar1For = QStringLiteral("255");
    record.bar2For = record.graphFor = QStringLiteral("8421631");
    record.graphModem = QStringLiteral("0");
    ProjectStore store(home.dataFolder());
    store.ensureProjectsFolder();
    store.load();
    return store.createProject(name, record);
}

} // namespace CliRig
