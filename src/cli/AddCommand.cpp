#include "AddCommand.h"

#include "probe/NewProjectRecord.h"

#include <QCoreApplication>

namespace {

// The program's messages break lines with CR LF; a console wants its own line ends.
QString consoleText(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

} // namespace

AddCommand::AddCommand(const QString &url, Workspace &workspace)
    : m_url(url), m_out(stdout), m_err(stderr), m_workspace(workspace),
      m_probe(m_workspace.store(), m_workspace.settings(), Probe::Intervals{})
{
    connect(&m_probe, &Probe::succeeded, this, &AddCommand::createProject);
    connect(&m_probe, &Probe::failed, this, &AddCommand::reportFailure);
}

int AddCommand::exec()
{
    if (const std::optional<QString> refusal = m_workspace.open())
        return fail(*refusal);
    QMetaObject::invokeMethod(
        this, [this] { m_probe.start(m_url); }, Qt::QueuedConnection);
    return QCoreApplication::exec();
}

void AddCommand::createProject(const ProbeResult &result)
{
    const ProjectRecord record = newProjectRecord(
        result, NewProjectOptions::fromSettings(m_workspace.settings()), m_workspace.settings());
    if (!m_workspace.store().createProject(result.projectName, record, result.validators,
                                           result.serverFileName)) {
        m_err << "Error: Unable to create the project " << result.projectName << " !" << Qt::endl;
        quit(Failed);
        return;
    }
    m_out << result.projectName << Qt::endl;
    quit(Added);
}

void AddCommand::reportFailure(const QString &text, const QString &title)
{
    m_err << title << ": " << consoleText(text) << Qt::endl;
    quit(Failed);
}

int AddCommand::fail(const QString &message)
{
    m_err << message << Qt::endl;
    return Failed;
}

// Leaves the event loop once the current event is handled.
void AddCommand::quit(int exitCode)
{
    QMetaObject::invokeMethod(
        this, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}
