#include "AddCommand.h"
#include "CommandLine.h"
#include "ExitStatus.h"
#include "ListCommand.h"
#include "RemoveCommand.h"
#include "RunCommand.h"
#include "StatsCommand.h"
#include "options/RateText.h"

#include <QCoreApplication>

namespace {

const QString ChecksumOption = QStringLiteral("checksum");
const QString JsonOption = QStringLiteral("json");
const QString LimitOption = QStringLiteral("limit-rate");

// One workspace holds the lock from the add to the end of the run: no other instance starts in
// between.
int addThenRun(const QString &url, const std::optional<Checksum> &checksum,
               const std::optional<qint64> &limit)
{
    Workspace workspace;
    if (const int added = AddCommand(url, checksum, workspace).exec();
        added != ExitStatus::Complete)
        return added;
    return RunCommand(workspace, limit).exec();
}

int run(const std::optional<qint64> &limit)
{
    Workspace workspace;
    return RunCommand(workspace, limit).exec();
}

int add(const QString &url, const std::optional<Checksum> &checksum)
{
    Workspace workspace;
    return AddCommand(url, checksum, workspace).exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QF_VERSION));
    std::unique_ptr<CommandLine> commandLine;
    // The digest given with --checksum, when it reads as one; the command fails on one that does
    // not.
    const auto withChecksum =
        [&commandLine](const QCommandLineParser &options,
                       const std::function<int(std::optional<Checksum>)> &run) {
            if (!options.isSet(ChecksumOption))
                return run(std::nullopt);
            const QString text = options.value(ChecksumOption);
            if (const std::optional<Checksum> checksum = Checksum::parse(text))
                return run(checksum);
            return commandLine->usageError(
                QStringLiteral("The checksum %1 is no SHA-256, SHA-512, SHA-1 or MD5 digest in "
                               "hexadecimal.")
                    .arg(text));
        };
    // The speed limit given with --limit-rate (nullopt: the settings' own holds); the command
    // fails on one that is no speed.
    const auto withLimit = [&commandLine](const QCommandLineParser &options,
                                          const std::function<int(std::optional<qint64>)> &run) {
        if (!options.isSet(LimitOption))
            return run(std::nullopt);
        const QString text = options.value(LimitOption);
        if (const std::optional<qint64> rate = bytesPerSecond(text, 1))
            return run(rate);
        return commandLine->usageError(
            QStringLiteral("--limit-rate %1 is no speed: write it as 500000, 500k or 2M.")
                .arg(text));
    };
    commandLine = std::make_unique<CommandLine>(
        QList<QCommandLineOption>{
            {ChecksumOption,
             QStringLiteral("With add or a URL alone: the digest the file must have, in "
                            "hexadecimal, after \"sha256:\", \"sha512:\", \"sha1:\" or \"md5:\" "
                            "or alone (its length tells the algorithm). Without it, a digest the "
                            "server gives is used. A file that does not match is kept as <file "
                            "name>.corrupt."),
             QStringLiteral("digest")},
            {JsonOption, QStringLiteral("With list: print the projects as JSON.")},
            {LimitOption,
             QStringLiteral("With run or a URL alone: limit the download to RATE bytes per "
                            "second, shared by all its connections. k, M and G multiply by 1024, "
                            "1048576 and 1073741824, as in curl and wget: 500k is 512000 bytes per "
                            "second, 2M 2097152. Without it the limit set in Quillfetch's options "
                            "holds."),
             QStringLiteral("RATE")}},
        QList<CommandLine::Command>{
            {QStringLiteral("run"),
             {},
             QStringLiteral("download the queued projects one after another, then exit"),
             {LimitOption},
             [&](const QStringList &, const QCommandLineParser &options) {
                 return withLimit(options,
                                  [](const std::optional<qint64> &limit) { return run(limit); });
             }},
            {QStringLiteral("add"),
             {QStringLiteral("URL")},
             QStringLiteral("probe URL and queue it as a new project"),
             {ChecksumOption},
             [&](const QStringList &arguments, const QCommandLineParser &options) {
                 return withChecksum(options, [&](const std::optional<Checksum> &checksum) {
                     return add(arguments.at(0), checksum);
                 });
             }},
            {QStringLiteral("list"),
             {},
             QStringLiteral("list the projects: name, state, size, bytes received and URL"),
             {JsonOption},
             [](const QStringList &, const QCommandLineParser &options) {
                 return ListCommand(options.isSet(JsonOption)).exec();
             }},
            {QStringLiteral("remove"),
             {QStringLiteral("NAME")},
             QStringLiteral("remove the project NAME, with the files it made (a finished "
                            "project's file stays)"),
             {},
             [](const QStringList &arguments, const QCommandLineParser &) {
                 return RemoveCommand(arguments.at(0)).exec();
             }},
            {QStringLiteral("stats"),
             {QStringLiteral("NAME")},
             QStringLiteral("show the statistics of the finished project NAME"),
             {},
             [](const QStringList &arguments, const QCommandLineParser &) {
                 return StatsCommand(arguments.at(0)).exec();
             }},
            {QString(),
             {QStringLiteral("URL")},
             QStringLiteral("add URL, then run"),
             {ChecksumOption, LimitOption},
             [&](const QStringList &arguments, const QCommandLineParser &options) {
                 return withChecksum(options, [&](const std::optional<Checksum> &checksum) {
                     return withLimit(options, [&](const std::optional<qint64> &limit) {
                         return addThenRun(arguments.at(0), checksum, limit);
                     });
                 });
             }},
        },
        ExitStatus::meanings());
    return commandLine->exec(QCoreApplication::arguments());
}
