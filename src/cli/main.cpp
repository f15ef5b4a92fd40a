#include "AddCommand.h"
#include "RunCommand.h"
#include "StatsCommand.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

namespace {

constexpr int UsageExitCode = 2;

QString usageText()
{
    return QStringLiteral("Usage: quillfetch-cli <command>\n"
                          "\n"
                          "Commands:\n"
                          "  run      download the queued projects one after another, then exit\n"
                          "  add URL  probe URL and queue it as a new project\n"
                          "  URL      add URL, then run\n"
                          "  stats NAME  show the statistics of the finished project NAME\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const QString command = arguments.value(0);
    if (command == QLatin1String("run") && arguments.size() == 1)
        return RunCommand().exec();
    if (command == QLatin1String("add") && arguments.size() == 2)
        return AddCommand(arguments.at(1)).exec();
    if (command == QLatin1String("stats") && arguments.size() == 2)
        return StatsCommand(arguments.at(1)).exec();
    // Every URL that names a file has a "/"; a mistyped command has none.
    if (command.contains(u'/') && arguments.size() == 1) {
        if (const int added = AddCommand(command).exec(); added != AddCommand::Added)
            return added;
        return RunCommand().exec();
    }
    if (command == QLatin1String("--help") && arguments.size() == 1) {
        QTextStream(stdout) << usageText();
        return 0;
    }
    QTextStream(stderr) << usageText();
    return UsageExitCode;
}
