#pragma once

#include "ProgressPrinter.h"
#include "StopSignals.h"
#include "Workspace.h"

#include <QObject>
#include <QTextStream>

#include <memory>
#include <optional>

class Engine;
class RunDisplay;

// `quillfetch-cli run`: processes the queue of the data folder as the main window does (same
// folders, settings, lock and engine), printing the progress, until every project is complete.
// Nobody watches the queue here: each project is taken and started at once, without the window's
// start ticks, and the run ends as soon as the last one does. Ctrl-C or SIGTERM records the
// running download as closing the window does. The exit code says how it ended (ExitStatus): a
// file that failed verification says so whatever else happened.
class RunCommand final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunCommand)

public:
    // limit: the speed limit in bytes per second (0: none) instead of the settings' own.
    RunCommand(Workspace &workspace, const std::optional<qint64> &limit);
    ~RunCommand() override;

    // Runs the event loop until the queue is done; returns the exit code.
    int exec();

private:
    void connectEngine();
    void shutdown();
    void reportFinished(const QString &project, const QString &filePath);
    void reportMismatch(const QString &project, const QString &text, const QString &title);
    void reportMessage(const QString &text, const QString &title);
    void stopIfHalted();
    void finishQueue();
    void interrupt(int signalNumber);
    int fail(const QString &message);
    void quit(int exitCode);

    Workspace &m_workspace;
    std::optional<qint64> m_limit;
    QTextStream m_out;
    QTextStream m_err;
    StopSignals m_stopSignals;
    ProgressPrinter m_printer;
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<RunDisplay> m_display;
    bool m_quitting = false;
    bool m_connectionLost = false;
    bool m_verificationFailed = false;
};
