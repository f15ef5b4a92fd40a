#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

#include <functional>

// The command line of quillfetch-cli: the options --help and --version, options that some
// commands take, and a table of commands. The help text, and the man page made from it at build
// time, come from those tables.
class CommandLine final
{
    Q_DISABLE_COPY_MOVE(CommandLine)

public:
    static constexpr int UsageExitCode = 2;

    struct Command
    {
        QString name;          // empty: the command is its one argument alone, a URL
        QStringList arguments; // as the help names them: "URL"
        QString description;
        // The arguments after the name, and the options given.
        std::function<int(const QStringList &arguments, const QCommandLineParser &options)> run;
        QStringList options = {}; // the names of the options it takes
    };

    explicit CommandLine(QList<Command> commands, const QList<QCommandLineOption> &options = {});

    // Runs what the arguments (program first) ask for; returns the exit code.
    int exec(const QStringList &arguments);

private:
    const Command *find(const QStringList &words) const;
    QString strayOption(const Command &command) const;
    QString syntax(const Command &command) const;
    QString helpText() const;
    int usageError(const QString &error) const;

    QList<Command> m_commands;
    QList<QCommandLineOption> m_options;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
};
