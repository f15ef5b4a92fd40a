#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

#include <functional>

// The command line of quillfetch-cli: the options --help and --version, the options of the
// commands, and a table of commands. The help text, and the man page made from it at build time,
// come from these tables and the exit statuses.
class CommandLine final
{
    Q_DISABLE_COPY_MOVE(CommandLine)

public:
    struct Command
    {
        QString name;          // empty: the command is its one argument alone, a URL
        QStringList arguments; // as the help names them: "URL"
        QString description;
        QStringList options; // the names of the options it takes
        // The arguments after the name, and the parser, which holds the options given.
        std::function<int(const QStringList &arguments, const QCommandLineParser &options)> run;
    };

    // exitStatuses: each code with what it means, for the help.
    CommandLine(QList<QCommandLineOption> options, QList<Command> commands,
                QList<std::pair<int, QString>> exitStatuses);

    // Runs what the arguments (program first) ask for; returns the exit code.
    int exec(const QStringList &arguments);
    // For a command that refuses what an option says: the help follows the error.
    int usageError(const QString &error) const;

private:
    const Command *find(const QStringList &words) const;
    QString helpText() const;

    QList<Command> m_commands;
    QList<std::pair<int, QString>> m_exitStatuses;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
};
