#pragma once

#include "engine/Backoff.h"
#include "engine/EngineIntervals.h"
#include "engine/PieceJoiner.h"
#include "progress/SpeedMeter.h"

#include <QColor>
#include <QDeadlineTimer>
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
struct ServerRefusal;
struct ServerValidators;

// The download engine: takes waiting projects one at a time, fetches their packs over the
// connection slots, joins the pieces (in a thread of its own) and finishes the project. It owns
// every socket and timer of a download and tells the outside what to show through signals carrying
// plain values.
//
// Slots are numbered 1 to 4. Texts are the program's own captions ("Nothing", "Pause...").
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
    void setStartHeld(bool held);
    // Arms the start timer: its ticks take the next waiting project and start it.
    void startQueue();
    // Continues the project left running by an earlier run (its record says "status:0"): the
    // packs its pack log holds complete are kept, the begun ones continue after the bytes their
    // pieces hold, and its elapsed clock goes on.
    void resumeInterrupted();

    bool isDownloading() const;
    bool isPaused() const;
    QString currentProject() const;
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
    void listsChanged();                               // the project lists changed
    void overallStatusChanged(const QString &caption); // "Inistialising", "Downloading...", ...
    void slotStatusChanged(int slot, const QString &caption);
    void slotPercentChanged(int slot, int percent);
    void totalPercentChanged(int percent);     // the window title follows it
    void titleChanged(const QString &title);   // "42% - Quillfetch", "Quillfetch"
    void planTextChanged(const QString &text); // "2 times 500.00 Kb and 269.53 Kb"
    void packsToGoTextChanged(const QString &text);
    void totalSizeTextChanged(const QString &text);
    void receivedSizeTextChanged(const QString &text);
    void instantSpeedChanged(const QString &speed, const QString &bits);
    void averageSpeedChanged(const QString &speed, const QString &bits);
    void elapsedTextChanged(const QString &text); // "00:01:05"
    void remainingTextChanged(const QString &text);
    void samplesChanged(); // the live graphs are redrawn from speedMeter()'s samples
    // A run of the project begins (fresh or resumed); its files are named after baseName.
    void runStarted(const QString &project, const QString &baseName);
    void actionChanged(bool enabled, const QString &caption); // "Pause" / "Resume"
    // The running download paused (by the user, a failed write, a lost connection...) or
    // resumed.
    void pausedChanged(bool paused);
    void coloursChanged(const QColor &mainBack, const QColor &mainFore, const QColor &slotBack,
                        const QColor &slotFore);
    void downloadTabRequested();
    void projectsTabRequested();
    void displayReset(); // every display back to idle
    // The finished file is filePath; its name is the next free one when its own was taken.
    void projectFinished(const QString &project, const QString &filePath);
    // The start tick found no waiting project and no download runs.
    void queueEmpty();
    void messageRequested(const QString &text, const QString &title);
    // Nothing comes through (the network is gone, or the server sends no data): the download has
    // paused and waits for the user (the message follows).
    void connectionLost();
    // The download waits to try again by itself: paused after a connection error, "Connection
    // lost, retrying in 8 s...", or a slot after a server error, "Server busy, retrying in 8
    // s...", or after an answer without data, "No data from the server, retrying in 8 s..." (the
    // overall status counts it down).
    void retryWaiting(const QString &text);

private:
    // Where the running project's files go.
    struct Current
    {
        QString project;
        QString downloadFolder;
        QString receiveFolder;
        QString fileName;
        QString baseName;
        bool ftp = false; // the record's "Type:" is 1
    };

    void startTick();
    void takeNextWaiting();
    void freshStart();
    void Reprise_Download();
    bool prepareProject(const QString &project);
    bool isReceiveFolderFree(const QString &project);
    void removeOwnFiles();
    void removeReceiveFolder();
    bool createDownload(const ProjectEntry &entry);
    void beginRun();
    void showPlan();
    void progressTick();
    void showProgress();
    void complete();
    Assembler assembler() const;
    JoinedFile joinedFile() const;
    void onPrejoined(const Assembler::Outcome &outcome);
    void onJoined(const Assembler::Outcome &outcome);
    void placeJoined();
    void reportJoinFault(const JoinFault &fault);
    void reportReadFailure(const QString &path);
    void reportCreateFailure(const QString &path);
    void reportFolderFailure(const QString &path);
    void finishProject(const QString &filePath);
    void pauseDownload();
    void resumeDownload();
    void onBytesReceived(qint64 bytes);
    void onWriteFailed(const QString &path, int systemError);
    void onConnectionLost();
    void onConnectionFailed();
    void onServerBusy(int waitMs);
    void onNothingReceived(int waitMs);
    void startCountdown(const QString &cause, int waitMs);
    QString countdownText() const;
    void showCountdown();
    void stopAutoResume();
    void onFileChanged(qint64 size, const ServerValidators &validators);
    void onRefusedForGood(const ServerRefusal &refusal);
    void pauseWithMessage(const QString &text);
    void discardDownload();
    void resetDisplay();
    // systemError: why, as the system said (errno); 0 when unknown.
    void reportWriteFailure(const QString &path, int systemError = 0);

    ProjectStore &m_store;
    Settings &m_settings;
    Intervals m_intervals;
    QElapsedTimer m_clock;
    SpeedMeter m_meter;
    QTimer Timer_Start_Download;
    QTimer Timer_Barre;
    QTimer m_autoResumeTimer;
    QTimer m_countdownTimer; // the seconds left before the next try, shown each tick
    QDeadlineTimer m_countdownEnd;
    QString m_countdownCause; // "Connection lost", "Server busy", "No data from the server"
    Backoff m_autoResumeDelay;
    std::unique_ptr<Download> m_download;
    PieceJoiner m_joiner;
    Current m_current;
    bool m_startHeld = false;
    bool m_alertShown = false;
    // The project that started again for a change on the server since the user last resumed.
    QString m_changedProject;
    int m_totalPercent = -1;
    std::array<int, 4> m_slotPercents{};
    QString m_receivedText;
};
