#include "engine/Engine.h"

#include "engine/Download.h"
#include "engine/DownloadSlots.h"
#include "options/Settings.h"
#include "progress/RunCaptions.h"
#include "store/ProjectStore.h"

#include <QFile>

Engine::Engine(ProjectStore &store, Settings &settings, const Intervals &intervals, QObject *parent)
    : QObject(parent), m_store(store), m_settings(settings), m_intervals(intervals),
      m_meter(intervals.speedTickMs, intervals.clockTickMs, [this] { return m_clock.elapsed(); }),
      m_limit(intervals.paceTickMs, [this] { return m_clock.elapsed(); }),
      m_retry(intervals.resumeFirstMs, intervals.resumeMaxMs, intervals.clockTickMs),
      m_report(m_meter, m_retry, m_completion), m_faults(m_retry)
{
    m_clock.start();
    Timer_Start_Download.setObjectName(QStringLiteral("Timer_Start_Download"));
    Timer_Start_Download.setInterval(intervals.startTickMs);
    Timer_Barre.setObjectName(QStringLiteral("Timer_Barre"));
    Timer_Barre.setInterval(intervals.progressTickMs);
    connect(&Timer_Start_Download, &QTimer::timeout, this, &Engine::startTick);
    connect(&Timer_Barre, &QTimer::timeout, this, &Engine::progressTick);
    connect(&m_retry, &RetryCountdown::resumeDue, this, &Engine::resumeDownload);
    connect(&m_retry, &RetryCountdown::started, this, &Engine::publish);
    connect(&m_retry, &RetryCountdown::started, this, &Engine::retryWaiting);
    connect(&m_retry, &RetryCountdown::ticked, this, &Engine::publish);
    connect(&m_retry, &RetryCountdown::ended, this, &Engine::onRetryEnded);
    connect(&m_completion, &Completion::finishing, this, &Engine::publish);
    connect(&m_completion, &Completion::placed, this, &Engine::finishProject);
    connect(&m_completion, &Completion::failed, &m_faults, &FaultResponse::joinFailed);
    connect(&m_faults, &FaultResponse::pauseNeeded, this, &Engine::pauseDownload);
    connect(&m_faults, &FaultResponse::connectionLost, this, &Engine::connectionLost);
    connect(&m_faults, &FaultResponse::messageRequested, this, &Engine::messageRequested);
    connect(&m_faults, &FaultResponse::restartNeeded, this, &Engine::restartFromZero);
    connect(&m_completion, &Completion::prejoined, this, &Engine::progressTick);
    connect(&m_meter, &SpeedMeter::ticked, this, &Engine::publish);
}

Engine::~Engine() = default;

void Engine::resumeInterrupted()
{
    if (m_download)
        return;
    if (m_store.running().isEmpty())
        Timer_Start_Download.start();
    else
        Reprise_Download();
}

bool Engine::isPaused() const
{
    return m_download && m_download->isPaused();
}

void Engine::togglePause()
{
    if (!m_download || m_completion.isFinishing())
        return;
    if (m_download->isPaused()) {
        m_faults.userResumed();
        resumeDownload();
    } else {
        pauseDownload();
    }
}

void Engine::shutdown()
{
    m_completion.stop();
    Timer_Start_Download.stop();
    Timer_Barre.stop();
    m_retry.stop();
    m_meter.stop();
    if (!m_download)
        return;
    m_download->pause();
    m_current.recordElapsed(m_meter.elapsed());
}

void Engine::cancelRunning()
{
    dropRun();
    publish();
    Timer_Start_Download.start();
}

void Engine::startTick()
{
    if (m_startHeld || m_download)
        return;
    if (!m_store.running().isEmpty())
        freshStart();
    else if (!m_store.waiting().isEmpty())
        takeNextWaiting();
    else
        emit queueEmpty();
}

// The head of the queue becomes the running project; its download starts on the next tick.
void Engine::takeNextWaiting()
{
    const QString head = m_store.waiting().constFirst().name;
    if (const std::optional<QString> taken = RunFiles::takenReceiveFolder(m_store, head)) {
        refuseStart(FaultResponse::folderFailed(*taken));
        return;
    }
    const std::optional<ProjectEntry> entry = m_store.startNextWaiting();
    if (!entry) {
        refuseStart(FaultResponse::writeFailed(m_store.paths().recordPath(head)));
        return;
    }
    emit listsChanged();
    if (!makeCurrent(entry->name))
        return;
    m_report.setEverySlot(SlotState::Initialising);
    publish();
}

// A project that cannot start holds the queue until the user has read why.
bool Engine::refuseStart(const QString &text)
{
    Timer_Start_Download.stop();
    m_faults.tell(text);
    return false;
}

// The project becomes the current one: its own options become the user's settings, and its
// receive folder is made ready.
bool Engine::makeCurrent(const QString &project)
{
    const std::optional<ProjectRecord> record = m_store.record(project);
    if (!record)
        return refuseStart(FaultResponse::readFailed(m_store.paths().recordPath(project)));
    // The run reads its options (folder, pack size, colours, graphs) through the settings.
    m_settings.applyRecord(*record);
    // The record's "Type:" says what its URL, kept without "http://" and "ftp://", is.
    const bool ftp = record->type.toInt() == 1;
    const UrlReading reading = Extract_URL(record->url, ftp ? Url::Scheme::Ftp : Url::Scheme::Http);
    if (!reading.url)
        return refuseStart(reading.refusal);
    m_url = *reading.url;
    m_current = RunFiles::of(m_store.paths(), project, m_settings.filePath(),
                             m_store.serverFileName(project).value_or(m_url.fileName));
    return m_current.makeReceiveFolder() ||
           refuseStart(FaultResponse::folderFailed(m_current.receiveFolder));
}

void Engine::freshStart()
{
    const ProjectEntry entry = m_store.running().constFirst();
    if (!makeCurrent(entry.name) || !createDownload(entry))
        return;
    QFile::remove(m_current.packLogPath); // a fresh start fetches every pack
    m_meter.reset();
    beginRun();
}

// The resume start: the project an earlier run left running continues where it stopped. Its
// record already says "status:0" and is left as it is.
void Engine::Reprise_Download()
{
    const ProjectEntry entry = m_store.running().constFirst();
    if (!makeCurrent(entry.name) || !createDownload(entry))
        return;
    const ElapsedClock elapsed = m_current.resumeElapsed();
    m_download->planResume();
    m_meter.restore(elapsed, m_download->received());
    beginRun();
    publish();
}

bool Engine::createDownload(const ProjectEntry &entry)
{
    const DownloadSlots connections = DownloadSlots::forUrl(
        m_url, entry.size, m_store.validators(entry.name), m_intervals, m_settings.testCaFile(),
        &m_limit, m_settings.proxy(), m_store.access(entry.name));
    if (!connections.refusal.isEmpty())
        return refuseStart(connections.refusal);
    if (!m_completion.watchDigest(m_store, entry.name))
        return refuseStart(FaultResponse::readFailed(m_store.paths().checksumPath(entry.name)));
    const Download::Setup setup{.fileSize = entry.size,
                                .packSize = m_settings.packSize(),
                                .receiveFolder = m_current.receiveFolder,
                                .baseName = m_current.baseName,
                                .packLogPath = m_current.packLogPath,
                                .slotCount = connections.count,
                                .refusalMs = m_intervals.refusalMs};
    m_download = std::make_unique<Download>(setup, connections.make);
    connect(m_download.get(), &Download::slotStateChanged, this,
            [this](int slot, SlotState state, qint64 packLength) {
                m_report.setSlot(slot, state, packLength);
                publish();
            });
    connect(m_download.get(), &Download::packsToGoChanged, this, &Engine::publish);
    connect(m_download.get(), &Download::bytesReceived, this, &Engine::onBytesReceived);
    m_faults.follow(*m_download, m_current.project);
    // The join need not wait for the next progress tick; it runs once the slot's handler ended.
    connect(m_download.get(), &Download::allPacksIn, this, &Engine::progressTick,
            Qt::QueuedConnection);
    return true;
}

// Every start of a download: what it shows and arms, then its slots connect.
void Engine::beginRun()
{
    m_faults.rearm();
    m_retry.resetDelay();
    if (m_url.isFtp())
        m_report.setSlot(Download::MaxSlots, SlotState::UnusedWithFtp);
    m_completion.begin(m_download->joinedBefore());
    Timer_Barre.start();
    Timer_Start_Download.stop();
    publish(); // paused already when a write failed while the run was prepared
    emit runStarted(m_current.project, m_current.baseName);
    m_download->start();
}

void Engine::progressTick()
{
    if (!m_download)
        return;
    publish();
    if (!m_download->isPaused())
        m_completion.advance(*m_download, m_current);
}

// A project taken from the queue is initialising until its download is made.
void Engine::publish()
{
    RunState state = m_current.project.isEmpty() ? RunState::Idle : RunState::Initialising;
    if (m_download)
        state = m_download->isPaused() ? RunState::Paused : RunState::Downloading;
    emit progressChanged(m_report.look(state, m_download.get()));
}

void Engine::finishProject(const QString &filePath)
{
    Timer_Barre.stop();
    m_meter.setProgress(m_download->received(), m_download->plan().fileSize());
    m_meter.stop();
    const RunFiles files = m_current;
    const bool marked = m_store.finishRunning();
    emit listsChanged();
    const bool statsWritten = files.recordStatistics(m_meter.figures());
    discardDownload();
    m_current = {};
    resetDisplay();
    publish();
    const std::optional<ChecksumRecord> checksum = m_store.checksum(files.project);
    if (checksum && !checksum->isVerified())
        emit verificationFailed(files.project,
                                RunCaptions::mismatchText(files.project, *checksum, filePath),
                                QStringLiteral("Error"));
    else
        emit projectFinished(files.project, filePath);
    Timer_Start_Download.start();
    if (!marked)
        m_faults.tell(FaultResponse::writeFailed(m_store.paths().recordPath(files.project)));
    else if (!statsWritten)
        m_faults.tell(FaultResponse::writeFailed(files.statsPath));
}

void Engine::pauseDownload()
{
    if (!m_download || m_download->isPaused())
        return;
    m_download->pause();
    m_meter.pause();
    m_retry.hide();
    publish();
    emit pausedChanged(true);
}

// By the user, or by itself after a connection error.
void Engine::resumeDownload()
{
    m_retry.stop();
    if (!m_download || !m_download->isPaused())
        return;
    m_faults.rearm();
    m_meter.resume();
    emit pausedChanged(false);
    m_download->resume();
    publish();
}

void Engine::onBytesReceived(qint64 bytes)
{
    m_retry.resetDelay();
    m_meter.addBytes(bytes);
    m_meter.setProgress(m_download->received(), m_download->plan().fileSize());
}

// Once the wait is over, a download that runs says so again.
void Engine::onRetryEnded()
{
    if (!m_download || m_download->isPaused())
        return;
    m_retry.hide();
    publish();
}

// The project starts again from zero, under its name and in its place, with the new size and
// validators.
void Engine::restartFromZero(qint64 size, const ServerValidators &validators)
{
    const QString project = m_current.project;
    dropRun();
    if (!m_store.restartRunning(size, validators)) {
        refuseStart(FaultResponse::writeFailed(m_store.paths().recordPath(project)));
        return;
    }
    freshStart();
    m_faults.restarted(project);
}

// The running download stops, what the project made goes, and the display goes back to idle.
void Engine::dropRun()
{
    m_completion.stop();
    Timer_Barre.stop();
    if (m_download)
        discardDownload();
    if (!m_current.project.isEmpty())
        Completion::removeOwnFiles(m_current);
    m_current = {};
    m_meter.reset();
    resetDisplay();
}

// The download may be the sender of the signal being handled: it goes once control is back
// in the event loop.
void Engine::discardDownload()
{
    m_retry.stop();
    m_download->halt();
    m_download->disconnect();
    m_download.release()->deleteLater();
}

void Engine::resetDisplay()
{
    m_report.setEverySlot(SlotState::Idle);
    emit displayReset();
}
