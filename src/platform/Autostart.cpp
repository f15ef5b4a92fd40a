#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace {

const QString StartArgument = QStringLiteral("-Startwin-");

#ifdef Q_OS_WIN
const QString RunKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString RunValue = QStringLiteral("Quillfetch");
#endif

// Quotes one Exec argument: inside double quotes, '"', '`', '$' and '\' take a backslash.
QString quotedArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

// A desktop entry value escapes backslashes and control characters once more, and '%' stands
// for field codes in Exec, so a literal one is doubled.
QString escapedValue(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        if (c == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else if (c == u'\r')
            escaped += QStringLiteral("\\r");
        else if (c == u'\t')
            escaped += QStringLiteral("\\t");
        else if (c == u'%')
            escaped += QStringLiteral("%%");
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

Autostart::Autostart(const QString &programPath, const QString &autostartFolder)
    : m_programPath(programPath), m_folder(autostartFolder)
{}

QString Autostart::defaultFolder()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir(config).filePath(QStringLiteral("autostart")) + u'/';
}

QString Autostart::entryPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("Quillfetch.desktop"));
}

QString Autostart::execValue(const QString &programPath)
{
    return quotedArgument(programPath) + u' ' + StartArgument;
}

QByteArray Autostart::entryText() const
{
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Quillfetch\n"
                                        "Comment=Download accelerator\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(escapedValue(execValue(m_programPath)));
    return text.toUtf8();
}

#ifdef Q_OS_WIN

bool Autostart::isEnabled() const
{
    const QSettings run(RunKey, QSettings::NativeFormat);
    return !run.value(RunValue).toString().isEmpty();
}

bool Autostart::write() const
{
    QSettings run(RunKey, QSettings::NativeFormat);
    run.setValue(RunValue, u'"' + QDir::toNativeSeparators(m_programPath) + QStringLiteral("\" ") +
                               StartArgument);
    run.sync();
    return run.status() == QSettings::NoError;
}

bool Autostart::remove() const
{
    QSettings run(RunKey, QSettings::NativeFormat);
    run.remove(RunValue);
    run.sync();
    return run.status() == QSettings::NoError;
}

#else

bool Autostart::isEnabled() const
{
    return QFile::exists(entryPath());
}

bool Autostart::write() const
{
    if (!QDir().mkpath(m_folder))
        return false;
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(entryText());
    return file.commit();
}

bool Autostart::remove() const
{
    return QFile::remove(entryPath());
}

#endif

bool Autostart::toggle()
{
    return isEnabled() ? remove() : write();
}
