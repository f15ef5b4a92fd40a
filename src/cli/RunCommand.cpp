#include "RunCommand.h"

#include "ConsoleText.h"
#include "ExitStatus.h"

#include "display/RunDisplay.h"
#include "engine/Engine.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int DefaultColumns = 80;

// The width of the terminal stdout is; 0 when it is none.
int terminalColumns()
{
    if (::isatty(STDOUT_FILENO) != 1)
        return 0;
    winsize size = {};
    return ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col
                                                                             : DefaultColumns;
}

Engine::Intervals startingAtOnce()
{
    Engine::Intervals intervals;
    intervals.startTickMs = 0;
    return intervals;
}

QStringList names(const QList<ProjectEntry> &projects)
{
    QStringList result;
    for (const ProjectEntry &project : projects)
        result.append(project.name);
    return result;
}

} // namespace

RunCommand::RunCommand(Workspace &workspace, const std::optional<qint64> &limit)
    : m_workspace(workspace), m_limit(limit), m_out(stdout), m_err(stderr),
      m_printer(m_out, terminalColumns())
{}

RunCommand::~RunCommand() = default;

int RunCommand::exec()
{
    if (const std::optional<QString> refusal = m_workspace.open())
        return fail(*refusal);
    if (!m_stopSignals.isValid())
        return fail(QStringLiteral("Unable to watch for Ctrl-C: ") + qt_error_string(errno));
    m_engine =
        std::make_unique<Engine>(m_workspace.store(), m_workspace.settings(), startingAtOnce());
    m_engine->setSpeedLimit(m_limit.value_or(m_workspace.settings().speedLimit()));
    m_display = std::make_unique<RunDisplay>(*m_engine, m_workspace.settings(),
                                             m_workspace.store().paths());
    connectEngine();
    connect(&m_stopSignals, &StopSignals::received, this, &RunCommand::interrupt);
    for (const QString &path : m_workspace.store().unreadableFiles())
        m_err << "Unable to read the file " << path << " !" << Qt::endl;
    if (m_workspace.store().running().isEmpty())
        m_engine->startQueue();
    else
        m_engine->resumeInterrupted();
    return QCoreApplication::exec();
}

void RunCommand::connectEngine()
{
    Engine *engine = m_engine.get();
    const RunCaptions *captions = &m_display->captions();
    connect(engine, &Engine::runStarted, &m_printer, &ProgressPrinter::setProject);
    connect(captions, &RunCaptions::totalPercentChanged, &m_printer, &ProgressPrinter::setPercent);
    connect(captions, &RunCaptions::totalSizeTextChanged, &m_printer,
            &ProgressPrinter::setTotalSize);
    connect(captions, &RunCaptions::receivedSizeTextChanged, &m_printer,
            &ProgressPrinter::setReceived);
    connect(captions, &RunCaptions::instantSpeedChanged, &m_printer,
            &ProgressPrinter::setInstantSpeed);
    connect(captions, &RunCaptions::averageSpeedChanged, &m_printer,
            &ProgressPrinter::setAverageSpeed);
    connect(captions, &RunCaptions::remainingTextChanged, &m_printer,
            &ProgressPrinter::setRemaining);
    connect(captions, &RunCaptions::cleared, &m_printer, &ProgressPrinter::reset);
    connect(engine, &Engine::projectFinished, this, &RunCommand::reportFinished);
    connect(engine, &Engine::verificationFailed, this, &RunCommand::reportMismatch);
    connect(engine, &Engine::messageRequested, this, &RunCommand::reportMessage);
    connect(engine, &Engine::connectionLost, this, [this] { m_connectionLost = true; });
    connect(captions, &RunCaptions::retryWaiting, this, [this](const QString &text) {
        m_printer.endLine();
        m_err << text << Qt::endl;
    });
    connect(engine, &Engine::queueEmpty, this, &RunCommand::finishQueue);
    connect(&m_display->snapshots(), &GraphSnapshots::writeFailed, this,
            [this](const QString &message) {
                m_printer.endLine();
                m_err << message << Qt::endl;
            });
}

void RunCommand::reportFinished(const QString &project, const QString &filePath)
{
    m_printer.endLine();
    m_out << project << ": complete, saved as " << filePath << Qt::endl;
    if (const std::optional<ChecksumRecord> checksum = m_workspace.store().checksum(project))
        m_out << project << ": " << RunCaptions::checksumText(checksum) << Qt::endl;
}

// The queue goes on; the exit code will say it.
void RunCommand::reportMismatch(const QString &, const QString &text, const QString &title)
{
    m_printer.endLine();
    m_verificationFailed = true;
    m_err << title << ": " << consoleText(text) << Qt::endl;
}

// The engine tells the user what went wrong; when the download stopped because of it (a failed
// write, a lost connection or a server that sends nothing pauses it, a failed join leaves it
// stopped) there is nobody to resume it: record it and give up.
void RunCommand::reportMessage(const QString &text, const QString &title)
{
    m_printer.endLine();
    m_err << title << ": " << consoleText(text) << Qt::endl;
    QMetaObject::invokeMethod(this, &RunCommand::stopIfHalted, Qt::QueuedConnection);
}

void RunCommand::stopIfHalted()
{
    if (m_engine->isDownloading() && !m_engine->isPaused())
        return;
    shutdown();
    m_err << "The download stopped; run quillfetch-cli run again to continue." << Qt::endl;
    quit(m_connectionLost ? ExitStatus::ConnectionLost : ExitStatus::Failed);
}

// The start ticks go on until the event loop ends: the first one that finds the queue empty ends
// the run.
void RunCommand::finishQueue()
{
    if (m_quitting)
        return;
    m_printer.endLine();
    const QStringList unfinished =
        names(m_workspace.store().running()) + names(m_workspace.store().waiting());
    if (!unfinished.isEmpty()) {
        m_err << "Not complete: " << unfinished.join(QStringLiteral(", ")) << Qt::endl;
        quit(ExitStatus::Failed);
        return;
    }
    // What could not be read was reported at the start; it is not complete either.
    if (!m_workspace.store().unreadableFiles().isEmpty()) {
        quit(ExitStatus::Failed);
        return;
    }
    m_out << (m_verificationFailed ? "Every project is done, but a file failed verification."
                                   : "Every project is complete.")
          << Qt::endl;
    quit(ExitStatus::Complete);
}

void RunCommand::interrupt(int signalNumber)
{
    m_printer.endLine();
    const bool downloading = m_engine->isDownloading();
    shutdown();
    m_err << (signalNumber == SIGINT ? "Interrupted" : "Terminated");
    if (downloading)
        m_err << ": the download was recorded and continues at the next run";
    m_err << '.' << Qt::endl;
    quit(ExitStatus::Interrupted);
}

// The download is recorded, and so are its graphs since the last snapshot.
void RunCommand::shutdown()
{
    m_engine->shutdown();
    m_display->snapshots().saveFinal();
}

int RunCommand::fail(const QString &message)
{
    m_err << message << Qt::endl;
    return ExitStatus::Failed;
}

// Leaves the event loop once the current event is handled; the first exit code wins, but for a
// failed verification, which no other ending may hide.
void RunCommand::quit(int exitCode)
{
    if (m_quitting)
        return;
    m_quitting = true;
    if (m_verificationFailed)
        exitCode = ExitStatus::VerificationFailed;
    QMetaObject::invokeMethod(
        this, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}
