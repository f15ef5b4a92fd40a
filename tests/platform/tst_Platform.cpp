#include "TestHome.h"
#include "platform/Autostart.h"
#include "platform/DataFolder.h"
#include "store/FileIo.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

class tst_Platform final : public QObject
{
    Q_OBJECT

private slots:
    // The entry lies in the XDG config folder and quotes the program's path (quote, dollar and
    // backslash take a backslash, each backslash is doubled once more, "%" is doubled); turned
    // off, it is gone.
    void autostartEntry()
    {
        TestHome home;
        qputenv("XDG_CONFIG_HOME", home.configFolder().toLocal8Bit());
        Autostart autostart(QStringLiteral("/tmp/x\"$y\\z 100%/Quillfetch"),
                            Autostart::defaultFolder());
        QVERIFY(autostart.toggle());
        const QString entry = home.configFolder() + QStringLiteral("autostart/Quillfetch.desktop");
        QCOMPARE(FileIo::read(entry),
                 "[Desktop Entry]\nType=Application\nName=Quillfetch\n"
                 "Comment=Download accelerator\nExec=\"/tmp/x\\\\\"\\\\$y\\\\\\\\z "
                 "100%%/Quillfetch\" -Startwin-\nTerminal=false\n"
                 "X-GNOME-Autostart-enabled=true\n");
        QVERIFY(autostart.toggle());
        QVERIFY(!QFile::exists(entry));
    }

    void dataFolderFromEnvironmentThenPortableThenPerUser()
    {
        TestHome home;
        QStandardPaths::setTestModeEnabled(true); // never the real per-user folder
        qunsetenv("QUILLFETCH_HOME");
        const QString program = home.root().chopped(1); // given without its separator
        QCOMPARE(resolveDataFolder(program),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/Quillfetch/"));
        QVERIFY(QFile(program + QStringLiteral("/portable")).open(QIODevice::WriteOnly));
        QCOMPARE(resolveDataFolder(program), home.root());
        QVERIFY(QDir::setCurrent(home.root()));
        qputenv("QUILLFETCH_HOME", "data"); // relative to the working folder
        QCOMPARE(resolveDataFolder(program), home.dataFolder());
    }
};

QTEST_GUILESS_MAIN(tst_Platform)
#include "tst_Platform.moc"
