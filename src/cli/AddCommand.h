#pragma once

#include "Workspace.h"

#include "probe/Probe.h"
#include "store/Checksum.h"

#include <QObject>
#include <QTextStream>

#include <optional>

// `quillfetch-cli add URL [--checksum DIGEST]`: probes the URL exactly as the add button does
// and, on success, creates the project with the current settings, as "Download" does with the
// new-project dialog untouched: with the digest given, or else the one the probe found. Prints
// the project name, or the failure message. Holds the same lock as the main window, so it
// refuses while Quillfetch runs.
class AddCommand final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddCommand)

public:
    AddCommand(const QString &url, const std::optional<Checksum> &checksum, Workspace &workspace);

    // Runs the event loop until the probe has ended; returns the exit code.
    int exec();

private:
    void createProject(const ProbeResult &result);
    void reportFailure(const QString &text, const QString &title);
    int fail(const QString &message);
    void quit(int exitCode);

    QString m_url;
    std::optional<Checksum> m_checksum;
    QTextStream m_out;
    QTextStream m_err;
    Workspace &m_workspace;
    Probe m_probe;
};
