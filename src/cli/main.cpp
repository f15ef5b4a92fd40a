#include "AddCommand.h"
#include "CommandLine.h"
#include "RunCommand.h"
#include "StatsCommand.h"
#include "options/RateText.h"

#include <QCoreApplication>
#include <QTextStream>

#include <optional>

namespace {

const QString LimitRate = QStringLiteral("limit-rate");

// The speed limit given on the command line; nullopt when none is (the settings' then holds).
// A value that is no speed is told and ends the program with the usage error.
std::optional<std::optional<qint64>> limitRate(const QCommandLineParser &options)
{
    if (!options.isSet(LimitRate))
        return std::optional<qint64>();
    const std::optional<qint64> rate = bytesPerSecond(options.value(LimitRate), 1);
    if (!rate) {
        QTextStream(stderr) << QCoreApplication::applicationName() << ": --limit-rate "
                            << options.value(LimitRate)
                            << " is no speed: write it as 500000, 500k or 2M." << Qt::endl;
        return std::nullopt;
    }
    return rate;
}

// One workspace holds the lock from the add to the end of the run: no other instance starts in
// between.
int addThenRun(const QString &url, const std::optional<qint64> &limit)
{
    Workspace workspace;
    if (const int added = AddCommand(url, workspace).exec(); added != AddCommand::Added)
        return added;
    return RunCommand(workspace, limit).exec();
}

int run(const std::optional<qint64> &limit)
{
    Workspace workspace;
    return RunCommand(workspace, limit).exec();
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
    const QCommandLineOption limit(
        LimitRate,
        QStringLiteral("Limit the download to RATE bytes per second, shared by all its "
                       "connections. k, M and G multiply by 1024, 1048576 and 1073741824, as in "
                       "curl and wget: 500k is 512000 bytes per second, 2M 2097152. Without it "
                       "the limit set in Quillfetch's options holds."),
        QStringLiteral("RATE"));
    CommandLine commandLine(
        {
            {QStringLiteral("run"),
             {},
             QStringLiteral("download the queued projects one after another, then exit"),
             [](const QStringList &, const QCommandLineParser &options) {
                 const auto rate = limitRate(options);
                 return rate ? run(*rate) : CommandLine::UsageExitCode;
             },
             {LimitRate}},
            {QStringLiteral("add"),
             {QStringLiteral("URL")},
             QStringLiteral("probe URL and queue it as a new project"),
             [](const QStringList &arguments, const QCommandLineParser &) {
                 return add(arguments.at(0));
             }},
            {QStringLiteral("stats"),
             {QStringLiteral("NAME")},
             QStringLiteral("show the statistics of the finished project NAME"),
             [](const QStringList &arguments, const QCommandLineParser &) {
                 return StatsCommand(arguments.at(0)).exec();
             }},
            {QString(),
             {QStringLiteral("URL")},
             QStringLiteral("add URL, then run"),
             [](const QStringList &arguments, const QCommandLineParser &options) {
                 const auto rate = limitRate(options);
                 return rate ? addThenRun(arguments.at(0), *rate) : CommandLine::UsageExitCode;
             },
             {LimitRate}},
        },
        {limit});
    return commandLine.exec(QCoreApplication::arguments());
}
