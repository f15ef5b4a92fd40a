#pragma once

#include "display/RunDisplay.h"
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
// tests, with the captions a front end shows of it: projects are queued through the store as the
// new-project dialog does, and the files the engine leaves are read back byte for byte.
struct EngineRig
{
    static Engine::Intervals fastIntervals()
    {
        return {.startTickMs = 20,
                .progressTickMs = 20,
                .speedTickMs = 50,
                .clockTickMs = 50,
                .ftpSlotMs = {8, 10, 12, 14},
                .retryFirstMs = 20,
                .retryMaxMs = 100,
                .stallMs = 300,
                .resumeFirstMs = 20,
                .resumeMaxMs = 160};
    }

    explicit EngineRig(const Engine::Intervals &intervals = fastIntervals())
        : EngineRig(nullptr, intervals)
    {
        store.ensureProjectsFolder();
    }

    QString downloadFolder() const { return home.root() + "downloads/"; }
    QString serveFolder() const { return home.root() + "www/"; }
    QString receiveFolder(const QString &project) const { return downloadFolder() + project + "/"; }

    // What the engine downloads by; the display options stay empty.
    static ProjectRecord record(const QString &url, qint64 size, const QString &folder,
                                qint64 packSize)
    {
        ProjectRecord record;
        record.url = url;
        record.bytes = size;
        record.path = folder;
        record.packSize = QString::number(packSize);
        return record;
    }

    bool queue(const QString &project, const QString &url, qint64 size, qint64 packSize,
               const ProjectAccess &access = {})
    {
        return store.createProject(project, record(url, size, downloadFolder(), packSize), {}, {},
                                   {}, access);
    }

    // The record as it must read once the project is finished.
    QByteArray finishedRecord(const QString &url, qint64 size, qint64 packSize) const
    {
        return ProjectRecord::withStatus(record(url, size, downloadFolder(), packSize).toText(),
                                         ProjectRecord::Finished);
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

    // The pack log's lines, each with its CR LF, as a set: packs finish in any order.
    QSet<QByteArray> packLogLines(const QString &project) const
    {
        QSet<QByteArray> lines;
        for (const QByteArray &line : projectFile(project, "download.qfd").split('\n')) {
            if (!line.isEmpty())
                lines.insert(line + '\n');
        }
        return lines;
    }

    // The pack log of the project "setup" of a file "setup..." once its packs are all in.
    QSet<QByteArray> completeLines(qint64 packs) const
    {
        QSet<QByteArray> lines;
        for (qint64 pack = 0; pack < packs; ++pack)
            lines.insert(receiveFolder("setup").toUtf8() + "setup(" + QByteArray::number(pack) +
                         ").qfd:1\r\n");
        return lines;
    }

    TestHome ownHome; // left unused by a rig on an earlier one's folders
    const TestHome &home;
    QSettings settingsStore;
    Settings settings;
    ProjectStore store;
    Engine engine;
    RunCaptions captions;
    QSignalSpy finished{&engine, &Engine::projectFinished};
    QSignalSpy messages{&engine, &Engine::messageRequested};

protected:
    // On the folders of an earlier rig when there is one.
    EngineRig(const EngineRig *earlier, const Engine::Intervals &intervals)
        : home(earlier ? earlier->home : ownHome),
          settingsStore(home.settingsPath(), QSettings::IniFormat),
          settings(settingsStore, home.dataFolder() + "received/"), store(home.dataFolder()),
          engine(store, settings, intervals)
    {
        RunDisplay::connectCaptions(engine, captions);
    }
};

// The program started again on the folders of a rig: new settings, store and engine, the
// store loaded as start-up loads it.
struct NextRun : EngineRig
{
    explicit NextRun(const EngineRig &rig, const Engine::Intervals &intervals = fastIntervals())
        : EngineRig(&rig, intervals)
    {
        store.load();
    }
};
