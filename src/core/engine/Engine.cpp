#include "engine/Engine.h"

#include "engine/Assembler.h"
#include "engine/Download.h"
#include "engine/DownloadSlots.h"
#include "engine/PieceFiles.h"
#include "options/Settings.h"
#include "progress/DisplayText.h"
#include "store/ElapsedRecord.h"
#include "store/FileIo.h"
#include "store/FileNames.h"
#include "store/ProjectStore.h"
#include "store/WriteCause.h"
#include "wire/TlsTrust.h"
#include "wire/Url.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString AppTitle = QStringLiteral("Quillfetch");

QString percentTitle(int percent)
{
    return QString::number(percent) + QStringLiteral("% - ") + AppTitle;
}

} // namespace

Engine::Engine(ProjectStore &store, Settings &settings, const Intervals &intervals, QObject *parent)
    : QObject(parent), m_store(store), m_settings(settings), m_intervals(intervals),
      m_meter(intervals.speedTickMs, intervals.clockTickMs, [this] { return m_clock.elapsed(); }),
      m_autoResumeDelay(intervals.resumeFirstMs, intervals.resumeMaxMs)
{
    m_clock.start();
    Timer_Start_Download.setObjectName(QStringLiteral("Timer_Start_Download"));
    Timer_Start_Download.setInterval(intervals.startTickMs);
    Timer_Barre.setObjectName(QStringLiteral("Timer_Barre"));
    Timer_Barre.setInterval(intervals.progressTickMs);
    m_autoResumeTimer.setSingleShot(true);
    connect(&Timer_Start_Download, &QTimer::timeout, this, &Engine::startTick);
    connect(&Timer_Barre, &QTimer::timeout, this, &Engine::progressTick);
    connect(&m_autoResumeTimer, &QTimer::timeout, this, &Engine::resumeDownload);
    connect(&m_joiner, &PieceJoiner::finished, this, &Engine::onJoined);
    connect(&m_joiner, &PieceJoiner::prejoined, this, &Engine::onPrejoined);
    m_countdownTimer.setInterval(intervals.clockTickMs);
    connect(&m_countdownTimer, &QTimer::timeout, this, &Engine::showCountdown);
    connect(&m_meter, &SpeedMeter::instantSpeedChanged, this, &Engine::instantSpeedChanged);
    connect(&m_meter, &SpeedMeter::averageSpeedChanged, this, &Engine::averageSpeedChanged);
    connect(&m_meter, &SpeedMeter::elapsedTextChanged, this, &Engine::elapsedTextChanged);
    connect(&m_meter, &SpeedMeter::remainingTextChanged, this, &Engine::remainingTextChanged);
    connect(&m_meter, &SpeedMeter::samplesChanged, this, &Engine::samplesChanged);
}

Engine::~Engine() = default;

void Engine::setStartHeld(bool held)
{
    m_startHeld = held;
}

void Engine::startQueue()
{
    Timer_Start_Download.start();
}

void Engine::resumeInterrupted()
{
    if (m_download)
        return;
    if (m_store.running().isEmpty())
        Timer_Start_Download.start();
    else
        Reprise_Download();
}

bool Engine::isDownloading() const
{
    return m_download != nullptr;
}

bool Engine::isPaused() const
{
    return m_download && m_download->isPaused();
}

QString Engine::currentProject() const
{
    return m_current.project;
}

void Engine::togglePause()
{
    if (!m_download || m_joiner.isFinishing())
        return;
    if (m_download->isPaused()) {
        m_changedProject.clear();
        resumeDownload();
    } else {
        pauseDownload();
    }
}

void Engine::shutdown()
{
    m_joiner.stop();
    Timer_Start_Download.stop();
    Timer_Barre.stop();
    stopAutoResume();
    m_meter.stop();
    if (!m_download)
        return;
    m_download->pause();
    FileIo::writeAtomically(m_store.paths().elapsedPath(m_current.project),
                            m_meter.elapsed().toText());
}

void Engine::cancelRunning()
{
    m_joiner.stop();
    Timer_Barre.stop();
    if (m_download)
        discardDownload();
    if (!m_current.project.isEmpty())
        removeOwnFiles();
    m_current = {};
    m_meter.reset();
    emit overallStatusChanged(QStringLiteral("Nothing"));
    emit titleChanged(AppTitle);
    resetDisplay();
    Timer_Start_Download.start();
}

// Only what the project made goes: its joined file, its pieces, "final.qfd", and then its receive
// folder when that is left empty.
void Engine::removeOwnFiles()
{
    joinedFile().discard();
    removeReceiveFolder();
}

// A receive folder that is a link is not entered: where it leads is not the project's.
void Engine::removeReceiveFolder()
{
    if (QFileInfo(QDir::cleanPath(m_current.receiveFolder)).isSymLink())
        return;
    PieceFiles(m_current.receiveFolder, m_current.baseName).removeAllBut({});
    QFile::remove(ProjectPaths::finalWorkPath(m_current.receiveFolder));
    QDir().rmdir(m_current.receiveFolder);
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
    if (!isReceiveFolderFree(head))
        return;
    const std::optional<ProjectEntry> entry = m_store.startNextWaiting();
    if (!entry) {
        Timer_Start_Download.stop();
        reportWriteFailure(m_store.paths().recordPath(head));
        return;
    }
    emit listsChanged();
    if (!prepareProject(entry->name))
        return;
    emit overallStatusChanged(QStringLiteral("Inistialising"));
    for (int slot = 1; slot <= Download::MaxSlots; ++slot)
        emit slotStatusChanged(slot, QStringLiteral("Initialising"));
}

// The project's own options become the settings, and its folders are made ready.
bool Engine::prepareProject(const QString &project)
{
    const std::optional<ProjectRecord> record = m_store.record(project);
    if (!record) {
        Timer_Start_Download.stop();
        reportReadFailure(m_store.paths().recordPath(project));
        return false;
    }
    m_settings.applyRecord(*record);
    m_current.project = project;
    m_current.downloadFolder = m_settings.filePath();
    m_current.receiveFolder = ProjectPaths::receiveFolder(m_current.downloadFolder, project);
    m_current.fileName = localFileName(record->url);
    m_current.baseName = FileNames::baseName(m_current.fileName);
    m_current.ftp = record->type.toInt() == 1;
    // Pieces are never written through a link: where it leads is not the project's.
    if (QFileInfo(QDir::cleanPath(m_current.receiveFolder)).isSymLink()) {
        Timer_Start_Download.stop();
        reportFolderFailure(m_current.receiveFolder);
        return false;
    }
    QDir().mkpath(m_current.receiveFolder);
    return true;
}

// A project that has not started yet owns no receive folder: one that exists already is the
// user's (or appeared since the name was chosen, through a new destination), and is left alone.
bool Engine::isReceiveFolderFree(const QString &project)
{
    const std::optional<ProjectRecord> record = m_store.record(project);
    if (!record)
        return true; // the start reports the unreadable record
    // The start takes an empty "path:" for the default download folder, and so does this check.
    // A relative one lies in the data folder.
    const QString downloadFolder = record->path.isEmpty()
                                       ? m_store.paths().defaultDownloadFolder()
                                       : QDir(m_store.paths().dataFolder()).filePath(record->path);
    const QString folder = ProjectPaths::receiveFolder(downloadFolder, project);
    const QFileInfo entry(QDir::cleanPath(folder));
    if (!entry.exists() && !entry.isSymLink())
        return true;
    Timer_Start_Download.stop();
    reportFolderFailure(folder);
    return false;
}

void Engine::freshStart()
{
    const ProjectEntry entry = m_store.running().constFirst();
    if (!prepareProject(entry.name) || !createDownload(entry))
        return;
    QFile::remove(m_store.paths().packLogPath(entry.name)); // a fresh start fetches every pack
    m_meter.reset();
    beginRun();
    m_download->start();
}

// The resume start: the project an earlier run left running continues where it stopped. Its
// record already says "status:0" and is left as it is.
void Engine::Reprise_Download()
{
    const ProjectEntry entry = m_store.running().constFirst();
    if (!prepareProject(entry.name) || !createDownload(entry))
        return;
    const QString elapsedPath = m_store.paths().elapsedPath(entry.name);
    const ElapsedClock elapsed =
        ElapsedClock::parse(FileIo::read(elapsedPath).value_or(QByteArray()))
            .value_or(ElapsedClock());
    m_download->planResume();
    m_meter.restore(elapsed, m_download->received());
    FileIo::writeAtomically(elapsedPath, elapsed.toText());
    beginRun();
    m_download->start();
    showProgress();
}

bool Engine::createDownload(const ProjectEntry &entry)
{
    // The record's "Type:" says what its URL, kept without "http://" and "ftp://", is.
    const UrlReading reading =
        Extract_URL(entry.url, m_current.ftp ? Url::Scheme::Ftp : Url::Scheme::Http);
    const std::optional<DownloadSlots> connections =
        reading.url
            ? DownloadSlots::forUrl(*reading.url, entry.size, m_store.validators(entry.name),
                                    m_intervals, tlsConfiguration(m_settings.testCaFile()))
            : std::nullopt;
    if (!connections) {
        Timer_Start_Download.stop();
        emit messageRequested(reading.url
                                  ? QStringLiteral("The address ") + reading.url->authority +
                                        QStringLiteral(" is not valid !")
                                  : reading.refusal,
                              QStringLiteral("Error"));
        return false;
    }
    m_joiner.stop();
    Download::Setup setup;
    setup.fileSize = entry.size;
    setup.packSize = m_settings.packSize();
    setup.receiveFolder = m_current.receiveFolder;
    setup.baseName = m_current.baseName;
    setup.packLogPath = m_store.paths().packLogPath(entry.name);
    setup.slotCount = connections->count;
    setup.refusalMs = m_intervals.refusalMs;
    m_download = std::make_unique<Download>(setup, connections->make);
    connect(m_download.get(), &Download::slotStatusChanged, this, &Engine::slotStatusChanged);
    connect(m_download.get(), &Download::packsToGoTextChanged, this, &Engine::packsToGoTextChanged);
    connect(m_download.get(), &Download::bytesReceived, this, &Engine::onBytesReceived);
    connect(m_download.get(), &Download::writeFailed, this, &Engine::onWriteFailed);
    connect(m_download.get(), &Download::connectionLost, this, &Engine::onConnectionLost);
    connect(m_download.get(), &Download::connectionFailed, this, &Engine::onConnectionFailed);
    connect(m_download.get(), &Download::certificateRefused, this, &Engine::pauseWithMessage);
    connect(m_download.get(), &Download::fileChanged, this, &Engine::onFileChanged);
    connect(m_download.get(), &Download::refusedForGood, this, &Engine::onRefusedForGood);
    connect(m_download.get(), &Download::serverBusy, this, &Engine::onServerBusy);
    connect(m_download.get(), &Download::waitingForData, this, &Engine::onNothingReceived);
    // The join need not wait for the next progress tick; it runs once the slot's handler ended.
    connect(m_download.get(), &Download::allPacksIn, this, &Engine::progressTick,
            Qt::QueuedConnection);
    return true;
}

// What every start of a download shows and arms before its slots connect.
void Engine::beginRun()
{
    m_alertShown = false;
    m_autoResumeDelay.reset();
    showPlan();
    if (m_current.ftp)
        emit slotStatusChanged(Download::MaxSlots, QStringLiteral("Unused with FTP servers."));
    emit downloadTabRequested();
    // A write that failed while the run was prepared has paused it already.
    const bool paused = m_download->isPaused();
    emit actionChanged(true, paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    Timer_Barre.start();
    emit overallStatusChanged(paused ? QStringLiteral("Pause...")
                                     : QStringLiteral("Downloading..."));
    Timer_Start_Download.stop();
    emit runStarted(m_current.project, m_current.baseName);
}

void Engine::showPlan()
{
    const PackPlan &plan = m_download->plan();
    emit planTextChanged(plan.planText());
    emit totalSizeTextChanged(Format_Taille(plan.fileSize()));
    emit receivedSizeTextChanged(Format_Taille(0));
    emit coloursChanged(m_settings.colour(Settings::Colour::MainBarBack),
                        m_settings.colour(Settings::Colour::MainBarFore),
                        m_settings.colour(Settings::Colour::SecBarBack),
                        m_settings.colour(Settings::Colour::SecBarFore));
    for (int slot = 1; slot <= m_download->slotCount(); ++slot)
        emit slotPercentChanged(slot, 0);
    emit totalPercentChanged(0);
}

void Engine::progressTick()
{
    if (!m_download)
        return;
    showProgress();
    if (m_download->isPaused() || m_joiner.isBusy())
        return;
    if (m_download->isComplete())
        complete();
    else if (m_download->completeRun() > m_joiner.tried())
        m_joiner.prejoin(assembler(), m_download->completeRun());
}

void Engine::showProgress()
{
    for (int slot = 1; slot <= m_download->slotCount(); ++slot) {
        const int percent = m_download->slotPercent(slot);
        if (percent != m_slotPercents.at(slot - 1)) {
            m_slotPercents.at(slot - 1) = percent;
            emit slotPercentChanged(slot, percent);
        }
    }
    const qint64 received = m_download->received();
    const qint64 total = m_download->plan().fileSize();
    if (received < 1 || total < 1)
        return;
    const QString receivedText = Format_Taille(received);
    if (receivedText != m_receivedText) {
        m_receivedText = receivedText;
        emit receivedSizeTextChanged(receivedText);
    }
    const int percent = qRound(double(received) * 100.0 / double(total));
    if (percent != m_totalPercent) {
        m_totalPercent = percent;
        emit totalPercentChanged(percent);
        emit titleChanged(percentTitle(percent));
    }
}

// Every pack is in: the pieces not joined yet are joined in the joiner's thread, or fetched again
// when one turns out unusable (and then every piece is joined anew). The joined file leaves the
// receive folder for its name (see JoinedFile), the emptied folder goes, and the project is
// finished. Each step leaves what the next start finishes, and the joined file is recognised by
// its record alone: a file of the same name is never taken for it. There is nothing to pause
// while the last pieces are joined.
void Engine::complete()
{
    if (joinedFile().hasLeftReceiveFolder()) {
        placeJoined();
        return;
    }
    const QList<Pack> unusable = assembler().unusablePieces();
    if (!unusable.isEmpty()) {
        m_joiner.stop();
        m_download->refetch(unusable);
        return;
    }
    emit actionChanged(false, QStringLiteral("Pause"));
    m_joiner.start(assembler(), joinedFile());
}

Assembler Engine::assembler() const
{
    return Assembler(m_download->plan(), m_current.receiveFolder, m_current.baseName);
}

JoinedFile Engine::joinedFile() const
{
    return JoinedFile({m_current.downloadFolder, m_current.receiveFolder, m_current.project,
                       m_current.fileName, m_store.paths().joinedRecordPath(m_current.project)});
}

// A piece that cannot be read waits for the packs still to come (the end fetches it again); a
// work file that cannot be written pauses the download and says why.
void Engine::onPrejoined(const Assembler::Outcome &outcome)
{
    if (outcome.fault && outcome.fault->kind != JoinFault::Kind::Read) {
        pauseDownload();
        reportJoinFault(*outcome.fault);
    }
    progressTick();
}

void Engine::onJoined(const Assembler::Outcome &outcome)
{
    if (outcome.fault) {
        pauseDownload();
        reportJoinFault(*outcome.fault);
        return;
    }
    placeJoined();
}

// What a stopped run left in the receive folder goes with it.
void Engine::placeJoined()
{
    removeReceiveFolder();
    const JoinedFile::Placed placed = joinedFile().place();
    if (placed.fault) {
        pauseDownload();
        reportJoinFault(*placed.fault);
        return;
    }
    finishProject(placed.path);
}

void Engine::finishProject(const QString &filePath)
{
    Timer_Barre.stop();
    m_meter.setProgress(m_download->received(), m_download->plan().fileSize());
    m_meter.stop();
    emit overallStatusChanged(QStringLiteral("Nothing"));
    const QString project = m_current.project;
    const bool marked = m_store.finishRunning();
    emit listsChanged();
    emit titleChanged(AppTitle);
    const QString statsPath = m_store.paths().statsPath(project);
    const bool statsWritten = FileIo::writeAtomically(statsPath, m_meter.stats().toText());
    discardDownload();
    m_current = {};
    resetDisplay();
    emit projectsTabRequested();
    emit projectFinished(project, filePath);
    Timer_Start_Download.start();
    if (!marked)
        reportWriteFailure(m_store.paths().recordPath(project));
    else if (!statsWritten)
        reportWriteFailure(statsPath);
}

void Engine::pauseDownload()
{
    if (!m_download || m_download->isPaused())
        return;
    m_download->pause();
    m_meter.pause();
    m_countdownTimer.stop();
    emit overallStatusChanged(QStringLiteral("Pause..."));
    emit actionChanged(true, QStringLiteral("Resume"));
    emit pausedChanged(true);
}

// By the user, or by itself after a connection error.
void Engine::resumeDownload()
{
    stopAutoResume();
    if (!m_download || !m_download->isPaused())
        return;
    m_alertShown = false;
    m_meter.resume();
    emit actionChanged(true, QStringLiteral("Pause"));
    emit overallStatusChanged(QStringLiteral("Downloading..."));
    emit pausedChanged(false);
    m_download->resume();
}

void Engine::onBytesReceived(qint64 bytes)
{
    m_autoResumeDelay.reset();
    m_meter.addBytes(bytes);
    m_meter.setProgress(m_download->received(), m_download->plan().fileSize());
}

// A piece or the pack log cannot be written: the download pauses until the user resumes it.
void Engine::onWriteFailed(const QString &path, int systemError)
{
    if (m_download->isPaused())
        return;
    pauseDownload();
    reportWriteFailure(path, systemError);
}

// One message serves every slot that loses the network together.
void Engine::onConnectionLost()
{
    if (m_alertShown)
        return;
    m_alertShown = true;
    pauseDownload();
    emit connectionLost();
    emit messageRequested(
        QStringLiteral("Please check your Internet connection and then click on the resume "
                       "button !"),
        QStringLiteral("Error"));
}

// Any other connection error pauses the whole download, which resumes by itself after a delay
// that grows while the errors go on: a server that keeps refusing is not hammered.
void Engine::onConnectionFailed()
{
    if (m_download->isPaused())
        return;
    pauseDownload();
    const int delay = m_autoResumeDelay.next();
    m_autoResumeTimer.start(delay);
    startCountdown(QStringLiteral("Connection lost"), delay);
}

// The download runs on; the slot that met the server error asks again after its own delay.
void Engine::onServerBusy(int waitMs)
{
    if (!m_download->isPaused())
        startCountdown(QStringLiteral("Server busy"), waitMs);
}

// The download runs on; the slot whose answer brought nothing asks again after its own delay.
void Engine::onNothingReceived(int waitMs)
{
    if (!m_download->isPaused())
        startCountdown(QStringLiteral("No data from the server"), waitMs);
}

void Engine::startCountdown(const QString &cause, int waitMs)
{
    m_countdownCause = cause;
    m_countdownEnd.setRemainingTime(waitMs);
    m_countdownTimer.start();
    emit overallStatusChanged(countdownText());
    emit retryWaiting(countdownText());
}

QString Engine::countdownText() const
{
    const qint64 seconds = (m_countdownEnd.remainingTime() + 999) / 1000;
    return m_countdownCause + QStringLiteral(", retrying in %1 s...").arg(seconds);
}

// Once the wait is over, a download that runs says so again.
void Engine::showCountdown()
{
    if (!m_countdownEnd.hasExpired()) {
        emit overallStatusChanged(countdownText());
        return;
    }
    m_countdownTimer.stop();
    if (m_download && !m_download->isPaused())
        emit overallStatusChanged(QStringLiteral("Downloading..."));
}

void Engine::stopAutoResume()
{
    m_autoResumeTimer.stop();
    m_countdownTimer.stop();
}

// The server keeps refusing what the download needs, or sends nothing, which waits for the user
// as a lost connection does.
void Engine::onRefusedForGood(const ServerRefusal &refusal)
{
    if (refusal.kind == ServerRefusal::Kind::NoData) {
        if (!m_download->isPaused())
            emit connectionLost();
        pauseWithMessage(
            QStringLiteral("The server is reachable but sends no data: the download is paused."));
        return;
    }
    pauseWithMessage(
        refusal.meansNotAFile()
            ? QStringLiteral("File not found or the URL don't point on a file !")
            : QStringLiteral("Unable to use the high speed download method on this server !"));
}

// What retrying does not mend (a certificate that does not verify, a server that keeps refusing)
// is never retried on its own: the download pauses and says why, and "Resume" tries again.
void Engine::pauseWithMessage(const QString &text)
{
    if (m_download->isPaused())
        return;
    pauseDownload();
    emit messageRequested(text, QStringLiteral("Error"));
}

// Nothing fetched so far may be joined with the server's new file: the project starts again
// from zero, under its name and in its place, with the new size and validators. A second change
// before the user resumes (servers whose nodes give different validators change them all the
// time) pauses the download and says so: starting again would only start again.
void Engine::onFileChanged(qint64 size, const ServerValidators &validators)
{
    const QString project = m_current.project;
    if (project == m_changedProject) {
        pauseWithMessage(QStringLiteral("The file of the project ") + project +
                         QStringLiteral(" has changed on the server again: its download is "
                                        "paused."));
        return;
    }
    m_changedProject = project;
    m_joiner.stop();
    Timer_Barre.stop();
    discardDownload();
    removeOwnFiles();
    m_current = {};
    m_meter.reset();
    resetDisplay();
    if (!m_store.restartRunning(size, validators)) {
        Timer_Start_Download.stop();
        reportWriteFailure(m_store.paths().recordPath(project));
        return;
    }
    freshStart();
    emit messageRequested(QStringLiteral("The file of the project ") + project +
                              QStringLiteral(" has changed on the server: its download starts "
                                             "again from zero."),
                          AppTitle);
}

// The download may be the sender of the signal being handled: it goes once control is back
// in the event loop.
void Engine::discardDownload()
{
    stopAutoResume();
    m_download->halt();
    m_download->disconnect(this);
    m_download.release()->deleteLater();
}

void Engine::resetDisplay()
{
    m_totalPercent = -1;
    m_slotPercents.fill(0);
    m_receivedText.clear();
    emit displayReset();
    emit actionChanged(false, QStringLiteral("Pause"));
}

void Engine::reportFolderFailure(const QString &path)
{
    emit messageRequested(QStringLiteral("Unable to create the folder ") + path +
                              QStringLiteral(" !"),
                          QStringLiteral("Error"));
}

void Engine::reportJoinFault(const JoinFault &fault)
{
    switch (fault.kind) {
    case JoinFault::Kind::Read:
        reportReadFailure(fault.path);
        break;
    case JoinFault::Kind::Create:
        reportCreateFailure(fault.path);
        break;
    case JoinFault::Kind::Write:
        reportWriteFailure(fault.path);
        break;
    }
}

void Engine::reportReadFailure(const QString &path)
{
    emit messageRequested(QStringLiteral("Unable to read the file ") + path + QStringLiteral(" !"),
                          QStringLiteral("Error"));
}

void Engine::reportCreateFailure(const QString &path)
{
    emit messageRequested(QStringLiteral("Unable to create the file ") + path +
                              QStringLiteral(" !"),
                          QStringLiteral("Error"));
}

// The cause, when known, goes on a line of its own.
void Engine::reportWriteFailure(const QString &path, int systemError)
{
    const QString cause = writeCauseText(systemError);
    emit messageRequested(QStringLiteral("Unable to write the file ") + path +
                              QStringLiteral(" !") +
                              (cause.isEmpty() ? QString() : QStringLiteral("\r\n") + cause),
                          QStringLiteral("Error"));
}
