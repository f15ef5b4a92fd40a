#pragma once

#include "engine/Completion.h"
#include "engine/EngineIntervals.h"
#include "engine/FaultResponse.h"
#include "engine/RetryCountdown.h"
#include "engine/RunReport.h"
#include "engine/SpeedLimit.h"
#include "progress/SpeedMeter.h"
#include "wire/Url.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>

class Download;
class ProjectStore;
struct ProjectEntry;
class Settings;
struct ServerValidators;

// The download engine: takes waiting projects one at a time, runs their downloads over the
// connection slots, pauses and resumes them, and finishes each project once Completion has placed
// its file. It owns every socket and timer of a download and says what happened through signals
// carrying plain values (RunCaptions turns the progress into captions); the texts it emits are
// those of message boxes. Slots are numbered 1 to 4.
class Engine final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Engine)

public:
    using Intervals = EngineIntervals;

    Engine(ProjectStore &store, Settings &settings, const Intervals &intervals,
           QObject *parent = nullptr);
    ~Engine() override;

    // The UI holds the start while a dialog has disabled the main window: the start tick then
    // does nothing.
    void setStartHeld(bool held) { m_startHeld = held; }
    // Arms the start timer: its ticks take the next waiting project and start it.
    void startQueue() { Timer_Start_Download.start(); }
    // Continues the project left running by an earlier run (its record says "status:0"): the
    // packs its pack log holds complete are kept, the begun ones continue after the bytes their
    // pieces hold, and its elapsed clock goes on.
    void resumeInterrupted();

    bool isDownloading() const { return m_download != nullptr; }
    bool isPaused() const;
    QString currentProject() const { return m_current.project; }
    // The speed limit of every download from now on, the running one's included, in bytes per
    // second; 0 for none.
    void setSpeedLimit(qint64 bytesPerSecond) { m_limit.setRate(bytesPerSecond); }
    qint64 speedLimit() const { return m_limit.rate(); }
    // The speed meter of the running download (its samples feed the live graphs).
    const SpeedMeter &speedMeter() const { return m_meter; }

    // The action button: pauses a running download, resumes a paused one.
    void togglePause();
    // Closes every connection and, while a download runs, records its pack log and elapsed
    // time so that the next start resumes it (the effect of a pause).
    void shutdown();
    // Stops the running download and removes the files it made in the download folder (its
    // project folder is the store's to remove).
    void cancelRunning();

signals:
    void listsChanged(); // the project lists changed
    // What the running download shows, after every change and every progress tick.
    void progressChanged(const RunProgress &progress);
    // The download waits to try again by itself (the progress counts the wait down): paused
    // after a connection error, or a slot after a server error or an answer without data.
    void retryWaiting(const RetryWait &wait);
    // A run of the project begins (fresh or resumed); its files are named after baseName.
    void runStarted(const QString &project, const QString &baseName);
    // The running download paused (by the user, a failed write, a lost connection...) or
    // resumed.
    void pausedChanged(bool paused);
    void displayReset(); // every display back to idle
    // The finished file is filePath; its name is the next free one when its own was taken. When
    // the project had a digest, the file was verified against it.
    void projectFinished(const QString &project, const QString &filePath);
    // The finished project's file is not the one its digest names: the text says so, naming both
    // digests and where the bytes are kept. The project is in the finished list all the same.
    void verificationFailed(const QString &project, const QString &text, const QString &title);
    // The start tick found no waiting project and no download runs.
    void queueEmpty();
    void messageRequested(const QString &text, const QString &title);
    // Nothing comes through (the network is gone, or the server sends no data): the download has
    // paused and waits for the user (the message follows).
    void connectionLost();

private:
    void startTick();
    void takeNextWaiting();
    void freshStart();
    void Reprise_Download();
    bool refuseStart(const QString &text);
    bool makeCurrent(const QString &project);
    bool createDownload(const ProjectEntry &entry);
    void beginRun();
    void progressTick();
    void publish();
    void finishProject(const QString &filePath);
    void pauseDownload();
    void resumeDownload();
    void onBytesReceived(qint64 bytes);
    void onRetryEnded();
    void restartFromZero(qint64 size, const ServerValidators &validators);
    void dropRun();
    void discardDownload();
    void resetDisplay();

    ProjectStore &m_store;
    Settings &m_settings;
    Intervals m_intervals;
    QElapsedTimer m_clock;
    SpeedMeter m_meter;
    SpeedLimit m_limit;
    QTimer Timer_Start_Download;
    QTimer Timer_Barre;
    RetryCountdown m_retry;
    std::unique_ptr<Download> m_download;
    Completion m_completion;
    RunReport m_report;
    FaultResponse m_faults;
    RunFiles m_current;
    Url m_url; // read once from the record when the run starts
    bool m_startHeld = false;
};
