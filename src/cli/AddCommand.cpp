#include "AddCommand.h"

#include "platform/DataFolder.h"
#include "probe/NewProjectRecord.h"

#include <QCoreApplication>

namespace {

// The program's messages break lines with CR LF; a console wants its own line ends.
QString consoleText(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

} // namespace

AddCommand::AddCommand(const QString &url)
    : m_url(url), m_out(stdout), m_err(stderr),
      m_dataFolder(resolveDataFolder(QCoreApplication::applicationDirPath())),
      m_instance(m_dataFolder),
      m_settingsStore(QStringLiteral("Quillfetch"), QStringLiteral("Quillfetch")),
      m_store(m_dataFolder), m_settings(m_settingsStore, m_store.paths().defaultDownloadFolder()),
      m_probe(m_store, m_settings, Probe::Intervals{})
{
    connect(&m_probe, &Probe::succeeded, this, &AddCommand::createProject);
    connect(&m_probe, &Probe::failed, this, &AddCommand::reportFailure);
}

int AddCommand::exec()
{
    if (!m_instance.acquire())
        return fail(QStringLiteral("Quillfetch is already running: close it first."));
    if (!m_store.ensureProjectsFolder())
        return fail(QStringLiteral("Unable to create the folder ") +
                    m_store.paths().projectsFolder() + QStringLiteral(" !"));
    m_store.load();
    QMetaObject::invokeMethod(
        this, [this] { m_probe.start(m_url); }, Qt::QueuedConnection);
    return QCoreApplication::exec();
}

void AddCommand::createProject(const ProbeResult &result)
{
    const ProjectRecord record =
        newProjectRecord(result, NewProjectOptions::fromSettings(m_settings), m_settings);
    if (!m_store.createProject(result.projectName, record)) {
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
