#include "TestHome.h"

#include <QDir>

TestHome::TestHome()
{
    for (const char *folder : {"data", "config", "share", "home"})
        QDir(m_dir.path()).mkpath(QLatin1String(folder));
}

QProcessEnvironment TestHome::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUILLFETCH_HOME"), dataFolder());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root() + QStringLiteral("share"));
    environment.insert(QStringLiteral("HOME"), root() + QStringLiteral("home"));
    return environment;
}
