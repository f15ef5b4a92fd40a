#include "AddCommand.h"
#include "CommandLine.h"
#include "RunCommand.h"
#include "StatsCommand.h"

#include <QCoreApplication>

namespace {

// One workspace holds the lock from the add to the end of the run: no other instance starts in
// between.
int addThenRun(const QString &url)
{
    Workspace workspace;
    if (const int added = AddCommand(url, workspace).exec(); added != AddCommand::Added)
        return added;
    return RunCommand(workspace).exec();
}

int run()
{
    Workspace workspace;
    return RunCommand(workspace).exec();
}

int add(const QString &url)
{
    Workspace workspace;
    return AddCommand(url, workspace).exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QF_VERSION));
    CommandLine commandLine({
        {QStringLiteral("run"),
         {},
         QStringLiteral("download the queued projects one after another, then exit"),
         [](const QStringList &) { return run(); }},
        {QStringLiteral("add"),
         {QStringLiteral("URL")},
         QStringLiteral("probe URL and queue it as a new project"),
         [](const QStringList &arguments) { return add(arguments.at(0)); }},
        {QStringLiteral("stats"),
         {QStringLiteral("NAME")},
         QStringLiteral("show the statistics of the finished project NAME"),
         [](const QStringList &arguments) { return StatsCommand(arguments.at(0)).exec(); }},
        {QString(),
         {QStringLiteral("URL")},
         QStringLiteral("add URL, then run"),
         [](const QStringList &arguments) { return addThenRun(arguments.at(0)); }},
    });
    return commandLine.exec(QCoreApplication::arguments());
}
