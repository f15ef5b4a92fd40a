#pragma once

#include "engine/Engine.h"
#include "options/Settings.h"
#include "store/ProjectRecord.h"
#include "store/ProjectStore.h"

#include "NginxServer.h"
#include "TestHome.h"

#include <QFile>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>

// The Range header of every request nginx served, sorted: packs finish in any order.
inline QStringList sortedRanges(const NginxServer &nginx)
{
    QStringList ranges;
    for (const NginxServer::Request &request : nginx.requests())
        ranges << request.range;
    ranges.sort();
    return ranges;
}

// A download engine over a throw-away home, with short intervals, for the end-to-end engine
// tests: projects are queued through the store as the new-project dialog does, and the files
// the engine leaves are read back byte for byte.
struct EngineRig
{
    static Engine::Intervals fastIntervals()
    {
        Engine::Intervals intervals;
        intervals.startTickMs = 20;
        intervals.progressTickMs = 20;
        intervals.speedTickMs = 50;
        intervals.clockTickMs = 50;
        intervals.retryFirstMs = 20;
        intervals.retryMaxMs = 100;
        intervals.stallMs = 300;
        intervals.ftpSlotMs = {8, 10, 12, 14};
        intervals.resumeFirstMs = 20;
        intervals.resumeMaxMs = 160;
        return intervals;
    }

    explicit EngineRig(const Engine::Intervals &intervals = fastIntervals())
        : settingsStore(home.settingsPath(), QSettings::IniFormat),
          settings(settingsStore, home.dataFolder() + "received/"), store(home.dataFolder()),
          engine(store, settings, intervals)
    {
        store.ensureProjectsFolder();
    }

    QString downloadFolder() const { return home.root() + "downloads/"; }
    QString serveFolder() const { return home.root() + "www/"; }
    QString receiveFolder(const QString &project) const { return downloadFolder() + project + "/"; }

    static ProjectRecord record(const QString &url, qint64 size, const QString &folder,
                                qint64 packSize)
    {
        ProjectRecord record;
        record.url = url;
        record.bytes = size;
        record.path = folder;
        record.packSize = QString::number(packSize);
        record.showModem = "1";
        record.bar1Back = "16777215";
        record.bar1For = "255";
        record.bar2Back = "16777215";
        record.bar2For = "8421631";
        record.graphBack = "16777215";
        record.graphFor = "8421631";
        record.graphModem = "0";
        return record;
    }

    bool queue(const QString &project, const QString &url, qint64 size, qint64 packSize)
    {
        return store.createProject(project, record(url, size, downloadFolder(), packSize));
    }

    // The record as it must read once the project is finished.
    QByteArray finishedRecord(const QString &url, qint64 size, qint64 packSize) const
    {
        ProjectRecord finished = record(url, size, downloadFolder(), packSize);
        finished.status = ProjectRecord::Finished;
        return finished.toText();
    }

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QByteArray projectFile(const QString &project, const char *name) const
    {
        return contents(store.paths().projectFolder(project) + name);
    }

    // The pack log's lines in file order, each with its CR LF.
    QList<QByteArray> packLogList(const QString &project) const
    {
        QList<QByteArray> lines;
        const QByteArray text = projectFile(project, "download.qfd");
        for (qsizetype from = 0; from < text.size();) {
            const qsizetype end = text.indexOf("\r\n", from);
            const qsizetype next = end < 0 ? text.size() : end + 2;
            lines.append(text.mid(from, next - from));
            from = next;
        }
        return lines;
    }

    // The same lines as a set: packs finish in any order.
    QSet<QByteArray> packLogLines(const QString &project) const
    {
        const QList<QByteArray> lines = packLogList(project);
        return QSet<QByteArray>(lines.cbegin(), lines.cend());
    }

    QSet<QByteArray> completeLines(const QString &project, const QString &baseName,
                                   qint64 packs) const
    {
        QSet<QByteArray> lines;
        for (qint64 pack = 0; pack < packs; ++pack)
            lines.insert(QStringLiteral("%1%2(%3).qfd:1\r\n")
                             .arg(receiveFolder(project), baseName)
                             .arg(pack)
                             .toUtf8());
        return lines;
    }

    TestHome home;
    QSettings settingsStore;
    Settings settings;
    ProjectStore store;
    Engine engine;
    QSignalSpy finished{&engine, &Engine::projectFinished};
    QSignalSpy messages{&engine, &Engine::messageRequested};
};

// The program started again on the folders of a rig: new settings, store and engine, the
// store loaded as start-up loads it.
struct NextRun
{
    explicit NextRun(const EngineRig &rig,
                     const Engine::Intervals &intervals = EngineRig::fastIntervals())
        : settingsStore(rig.home.settingsPath(), QSettings::IniFormat),
          settings(settingsStore, rig.home.dataFolder() + "received/"),
          store(rig.home.dataFolder()), engine(store, settings, intervals)
    {
        store.load();
    }

    QSettings settingsStore;
    Settings settings;
    ProjectStore store;
    Engine engine;
    QSignalSpy finished{&engine, &Engine::projectFinished};
    QSignalSpy messages{&engine, &Engine::messageRequested};
};
