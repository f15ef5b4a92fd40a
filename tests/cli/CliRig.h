#pragma once

#include "TestHome.h"

#include "store/ProjectPaths.h"
#include "store/ProjectRecord.h"
#include "store/ProjectStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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

struct Outcome
{
    bool ended = false; // by itself, within the time limit
    int exitCode = -1;
    QString out;
    QString err;
};

inline Outcome finish(QProcess &process)
{
    process.waitForFinished(FinishTimeoutMs);
    return {process.state() == QProcess::NotRunning && process.error() != QProcess::FailedToStart &&
                process.exitStatus() == QProcess::NormalExit,
            process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

inline Outcome run(const TestHome &home, const QStringList &arguments)
{
    QProcess process;
    start(process, home, arguments);
    return finish(process);
}

inline QString downloadFolderOf(const TestHome &home)
{
    return ProjectPaths(home.dataFolder()).defaultDownloadFolder();
}

inline QString receiveFolderOf(const TestHome &home, const QString &project)
{
    return ProjectPaths::receiveFolder(downloadFolderOf(home), project);
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

// A waiting project downloading into downloadFolderOf(home).
inline bool queue(const TestHome &home, const QString &name, const QString &url, qint64 bytes,
                  qint64 packSize = 512000)
{
    ProjectRecord record;
    record.url = url;
    record.bytes = bytes;
    record.path = downloadFolderOf(home);
    record.packSize = QString::number(packSize);
    ProjectStore store(home.dataFolder());
    store.ensureProjectsFolder();
    store.load();
    return store.createProject(name, record);
}

// Sorted, as packLogOf() is.
inline QStringList packLogLines(const TestHome &home, const QString &project)
{
    QStringList lines =
        QString::fromUtf8(readAll(ProjectPaths(home.dataFolder()).packLogPath(project)))
            .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

// The pack log lines of the first packs, all begun (":0") or all complete (":1").
inline QStringList packLogOf(const TestHome &home, const QString &project, qint64 packs,
                             const QString &state)
{
    QStringList lines;
    for (qint64 pack = 0; pack < packs; ++pack)
        lines << ProjectPaths::piecePath(receiveFolderOf(home, project), project, pack) + state;
    lines.sort();
    return lines;
}

} // namespace CliRig
