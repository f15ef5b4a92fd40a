#pragma once

#include "Workspace.h"

#include "probe/Probe.h"

#include <QObject>
#include <QTextStream>

// `quillfetch-cli add URL`: probes the URL exactly as the add button does and, on success,
// creates the project with the current settings, as "Download" does with the new-project
// dialog untouched. Prints the project name, or the failure message; a server that asks for a
// login ends it with a message that says how to give one. Holds the same lock as the main
// window, so it refuses while Quillfetch runs.
class AddCommand final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddCommand)

public:
    static constexpr int Added = 0;
    static constexpr int Failed = 1;

    AddCommand(const QString &url, Workspace &workspace);

    // Runs the event loop until the probe has ended; returns the exit code.
    int exec();

private:
    void createProject(const ProbeResult &result);
    void reportFailure(const QString &text, const QString &title);
    void reportLoginNeeded(const QString &text, const QString &title);
    int fail(const QString &message);
    void quit(int exitCode);

    QString m_url;
    QTextStream m_out;
    QTextStream m_err;
    Workspace &m_workspace;
    Probe m_probe;
};
