#include "ListCommand.h"

#include "ExitStatus.h"

#include "engine/PieceFiles.h"
#include "engine/ResumePlan.h"
#include "engine/RunFiles.h"
#include "store/PackLog.h"
#include "wire/Url.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

ListCommand::ListCommand(bool json) : m_json(json) {}

int ListCommand::exec()
{
    m_workspace.read();
    const QList<Row> listed = rows();
    if (m_json)
        printJson(listed);
    else
        printLines(listed);
    QTextStream err(stderr);
    const QStringList unreadable = m_workspace.store().unreadableFiles();
    for (const QString &path : unreadable)
        err << "Unable to read the file " << path << " !" << Qt::endl;
    return unreadable.isEmpty() ? ExitStatus::Complete : ExitStatus::Failed;
}

// The running project, the waiting ones in queue order, then the finished ones, oldest first.
QList<ListCommand::Row> ListCommand::rows() const
{
    const ProjectStore &store = m_workspace.store();
    const bool held = m_workspace.isHeldElsewhere();
    QList<Row> rows;
    for (const ProjectEntry &entry : store.running())
        rows.append(startedRow(entry, held));
    for (const ProjectEntry &entry : store.waiting())
        rows.append({entry.name, QStringLiteral("waiting"), entry.size, 0, entry.url});
    for (const ProjectEntry &entry : store.finished())
        rows.append(
            {entry.name,
             entry.failedVerification ? QStringLiteral("failed") : QStringLiteral("finished"),
             entry.size, entry.size, entry.url});
    for (Row &row : rows)
        row.url = withoutCredentials(row.url);
    return rows;
}

// What a resume would start from: the packs logged complete and what the begun ones hold.
ListCommand::Row ListCommand::startedRow(const ProjectEntry &entry, bool heldElsewhere) const
{
    const ProjectStore &store = m_workspace.store();
    const PackLog::Entries logged = PackLog(store.paths().packLogPath(entry.name)).parse();
    Row row{entry.name,
            heldElsewhere && logged.partial.isEmpty() ? QStringLiteral("running")
                                                      : QStringLiteral("paused"),
            entry.size, 0, entry.url};
    const std::optional<ProjectRecord> record = store.record(entry.name);
    const std::optional<RunFiles> files = RunFiles::ofRecord(store, entry.name);
    const qint64 packSize = record ? record->packSize.toLongLong() : 0;
    if (!files || packSize < 1)
        return row;
    const PieceFiles pieces(files->receiveFolder, files->baseName);
    row.received = ResumePlan(PackPlan(entry.size, packSize), logged, [&pieces](qint64 pack) {
                       return pieces.length(pack);
                   }).receivedBytes();
    return row;
}

void ListCommand::printLines(const QList<Row> &rows) const
{
    QTextStream out(stdout);
    for (const Row &row : rows)
        out << row.name << '\t' << row.state << '\t' << row.size << '\t' << row.received << '\t'
            << row.url << '\n';
}

void ListCommand::printJson(const QList<Row> &rows) const
{
    QJsonArray projects;
    for (const Row &row : rows)
        projects.append(QJsonObject{{QStringLiteral("name"), row.name},
                                    {QStringLiteral("state"), row.state},
                                    {QStringLiteral("size"), row.size},
                                    {QStringLiteral("received"), row.received},
                                    {QStringLiteral("url"), row.url}});
    QTextStream(stdout) << QJsonDocument(projects).toJson();
}
