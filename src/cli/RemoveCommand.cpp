#include "RemoveCommand.h"

#include "ExitStatus.h"

#include "engine/Completion.h"
#include "engine/RunFiles.h"

#include <QTextStream>

#include <algorithm>

RemoveCommand::RemoveCommand(const QString &project) : m_project(project) {}

int RemoveCommand::exec()
{
    QTextStream err(stderr);
    if (const std::optional<QString> refusal = m_workspace.open()) {
        err << *refusal << Qt::endl;
        return ExitStatus::Failed;
    }
    ProjectStore &store = m_workspace.store();
    const auto named = [this](const ProjectEntry &entry) { return entry.name == m_project; };
    const QList<ProjectEntry> &finished = store.finished();
    const auto done = std::find_if(finished.cbegin(), finished.cend(), named);
    bool removed = false;
    if (done != finished.cend()) {
        removed = store.deleteFinished(int(done - finished.cbegin()));
    } else if (std::any_of(store.running().cbegin(), store.running().cend(), named)) {
        if (const std::optional<RunFiles> files = RunFiles::ofRecord(store, m_project))
            Completion::removeOwnFiles(*files);
        removed = store.cancel(m_project);
    } else if (std::any_of(store.waiting().cbegin(), store.waiting().cend(), named)) {
        removed = store.cancel(m_project);
    } else {
        err << "There is no project named " << m_project << '.' << Qt::endl;
        return ExitStatus::Failed;
    }
    if (removed)
        return ExitStatus::Complete;
    err << "Unable to remove every file of the project " << m_project << " !" << Qt::endl;
    return ExitStatus::Failed;
}
