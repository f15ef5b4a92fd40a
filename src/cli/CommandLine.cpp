#include "CommandLine.h"

#include <QCoreApplication>
#include <QTextStream>

#include <algorithm>

CommandLine::CommandLine(QList<Command> commands, const QList<QCommandLineOption> &options)
    : m_commands(std::move(commands)), m_options(options),
      m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
      m_version({QStringLiteral("v"), QStringLiteral("version")},
                QStringLiteral("Show the version."))
{
    m_parser.setApplicationDescription(
        QStringLiteral("Downloads files from HTTP and FTP servers in packs over several "
                       "connections, working on the same projects and settings as Quillfetch."));
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
    m_parser.addOptions(m_options);
    m_parser.addPositionalArgument(QStringLiteral("command"),
                                   QStringLiteral("One of the commands below."),
                                   QStringLiteral("<command> [argument]"));
}

int CommandLine::exec(const QStringList &arguments)
{
    if (!m_parser.parse(arguments))
        return usageError(m_parser.errorText());
    if (m_parser.isSet(m_help)) {
        QTextStream(stdout) << helpText();
        return 0;
    }
    if (m_parser.isSet(m_version)) {
        QTextStream(stdout) << QCoreApplication::applicationName() << ' '
                            << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    const QStringList words = m_parser.positionalArguments();
    if (words.isEmpty())
        return usageError(QStringLiteral("No command given."));
    const Command *command = find(words);
    if (!command)
        return usageError(QStringLiteral("Unknown command or wrong arguments: ") +
                          words.join(u' '));
    if (const QString stray = strayOption(*command); !stray.isEmpty())
        return usageError(QStringLiteral("The option --") + stray +
                          QStringLiteral(" does not go with this command."));
    return command->run(command->name.isEmpty() ? words : words.mid(1), m_parser);
}

// An option given that the command does not take; empty when there is none.
QString CommandLine::strayOption(const Command &command) const
{
    for (const QCommandLineOption &option : m_options) {
        const QString name = option.names().constLast();
        if (m_parser.isSet(option) && !command.options.contains(name))
            return name;
    }
    return {};
}

// "run [--limit-rate RATE]"
QString CommandLine::syntax(const Command &command) const
{
    QStringList words{command.name};
    for (const QCommandLineOption &option : m_options) {
        const QString name = option.names().constLast();
        if (command.options.contains(name))
            words << QStringLiteral("[--") + name + u' ' + option.valueName() + u']';
    }
    return (words + command.arguments).join(u' ').trimmed();
}

// Every URL that names a file has a "/"; a mistyped command has none.
const CommandLine::Command *CommandLine::find(const QStringList &words) const
{
    const auto matches = [&words](const Command &command) {
        if (command.name.isEmpty())
            return words.size() == command.arguments.size() && words.first().contains(u'/');
        return words.first() == command.name && words.size() == 1 + command.arguments.size();
    };
    const auto found = std::find_if(m_commands.cbegin(), m_commands.cend(), matches);
    return found == m_commands.cend() ? nullptr : &*found;
}

QString CommandLine::helpText() const
{
    QStringList syntaxes;
    for (const Command &command : m_commands)
        syntaxes << syntax(command);
    const auto longest =
        std::max_element(syntaxes.cbegin(), syntaxes.cend(),
                         [](const QString &a, const QString &b) { return a.size() < b.size(); });
    QString text = m_parser.helpText() + QStringLiteral("\nCommands:\n");
    for (qsizetype row = 0; row < m_commands.size(); ++row)
        text += QStringLiteral("  ") + syntaxes.at(row).leftJustified(longest->size() + 2) +
                m_commands.at(row).description + u'\n';
    return text;
}

int CommandLine::usageError(const QString &error) const
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << error << "\n\n"
                        << helpText();
    return UsageExitCode;
}
