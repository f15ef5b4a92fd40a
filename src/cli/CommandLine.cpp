#include "CommandLine.h"

#include "ExitStatus.h"

#include <QCoreApplication>
#include <QTextStream>

#include <algorithm>

CommandLine::CommandLine(QList<QCommandLineOption> options, QList<Command> commands,
                         QList<std::pair<int, QString>> exitStatuses)
    : m_commands(std::move(commands)), m_exitStatuses(std::move(exitStatuses)),
      m_help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
      m_version({QStringLiteral("v"), QStringLiteral("version")},
                QStringLiteral("Show the version."))
{
    m_parser.setApplicationDescription(
        QStringLiteral("Downloads files from HTTP and FTP servers in packs over several "
                       "connections, working on the same projects and settings as Quillfetch."));
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
    m_parser.addOptions(options);
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
    for (const QString &option : m_parser.optionNames()) {
        if (!command->options.contains(option))
            return usageError(
                QStringLiteral("The option %1 does not go with %2.")
                    .arg(option.size() > 1 ? "--" + option : '-' + option,
                         command->name.isEmpty() ? QStringLiteral("a URL alone") : command->name));
    }
    return command->run(command->name.isEmpty() ? words : words.mid(1), m_parser);
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
        syntaxes << (QStringList{command.name} + command.arguments).join(u' ').trimmed();
    const auto longest =
        std::max_element(syntaxes.cbegin(), syntaxes.cend(),
                         [](const QString &a, const QString &b) { return a.size() < b.size(); });
    QString text = m_parser.helpText() + QStringLiteral("\nCommands:\n");
    for (qsizetype row = 0; row < m_commands.size(); ++row)
        text += QStringLiteral("  ") + syntaxes.at(row).leftJustified(longest->size() + 2) +
                m_commands.at(row).description + u'\n';
    text += QStringLiteral("\nExit status:\n");
    for (const auto &[code, meaning] : m_exitStatuses)
        text += QStringLiteral("  ") + QString::number(code).leftJustified(longest->size() + 2) +
                meaning + u'\n';
    return text;
}

int CommandLine::usageError(const QString &error) const
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << error << "\n\n"
                        << helpText();
    return ExitStatus::Usage;
}
