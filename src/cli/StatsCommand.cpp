#include "StatsCommand.h"

#include "ExitStatus.h"

#include "progress/ProjectStatistics.h"

#include <QTextStream>

#include <algorithm>

namespace {

const ProjectEntry *find(const QList<ProjectEntry> &list, const QString &name)
{
    const auto found = std::find_if(list.begin(), list.end(), [&name](const ProjectEntry &entry) {
        return entry.name == name;
    });
    return found == list.end() ? nullptr : &*found;
}

} // namespace

StatsCommand::StatsCommand(const QString &project) : m_project(project) {}

int StatsCommand::exec()
{
    QTextStream err(stderr);
    if (const std::optional<QString> refusal = m_workspace.open()) {
        err << *refusal << Qt::endl;
        return ExitStatus::Failed;
    }
    const ProjectStore &store = m_workspace.store();
    if (const ProjectEntry *finished = find(store.finished(), m_project)) {
        QTextStream out(stdout);
        for (const QString &line : ProjectStatistics(store.paths(), *finished).lines())
            out << line << '\n';
        return ExitStatus::Complete;
    }
    const bool queued = find(store.waiting(), m_project) || find(store.running(), m_project);
    err << (queued ? QStringLiteral("The project %1 is not finished: it has no statistics yet.")
                   : QStringLiteral("There is no project named %1."))
               .arg(m_project)
        << Qt::endl;
    return ExitStatus::Failed;
}
