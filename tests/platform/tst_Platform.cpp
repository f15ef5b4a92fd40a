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
    void autostartEntry_data();
    // The entry lies in the XDG config folder and quotes the program's path; the toggle follows
    // the entry on disk, even one removed behind the program's back.
    void autostartEntry()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, exec);
        TestHome home;
        qputenv("XDG_CONFIG_HOME", home.configFolder().toLocal8Bit());
        Autostart autostart(program, Autostart::defaultFolder());
        QVERIFY(autostart.toggle());
        const QString entry = home.configFolder() + QStringLiteral("autostart/Quillfetch.desktop");
        QCOMPARE(FileIo::read(entry), "[Desktop Entry]\nType=Application\nName=Quillfetch\n"
                                      "Comment=Download accelerator\nExec=" +
                                          exec +
                                          " -Startwin-\nTerminal=false\n"
                                          "X-GNOME-Autostart-enabled=true\n");
        QVERIFY(QFile::remove(entry));
        QVERIFY(autostart.toggle());
        QVERIFY(autostart.toggle());
        QVERIFY(!QFile::exists(entry));
    }

    void dataFolderFromEnvironmentThenPortableThenPerUser()
    {
        TestHome home;
        QStandardPaths::setTestModeEnabled(true); // never the real per-user folder
        qunsetenv("QUILLFETCH_HOME");
        const QString program = home.root() + QStringLiteral("program");
        const QString marker = program + QStringLiteral("/portable");
        QVERIFY(QDir().mkpath(marker)); // a folder named "portable" does not count
        QCOMPARE(resolveDataFolder(program),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/Quillfetch/"));
        QVERIFY(QDir().rmdir(marker));
        QVERIFY(QFile(marker).open(QIODevice::WriteOnly));
        QCOMPARE(resolveDataFolder(program), program + u'/');
        QVERIFY(QDir::setCurrent(home.root()));
        qputenv("QUILLFETCH_HOME", "data"); // relative to the working folder
        QCOMPARE(resolveDataFolder(program), home.dataFolder());
        QCOMPARE(withTrailingSeparator(QString()), QString()); // not the root
    }
};

// Raw strings stay out of the class body, which moc reads.
void tst_Platform::autostartEntry_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("exec");
    QTest::newRow("quote and dollar")
        << R"(/tmp/x"$y/Quillfetch)" << QByteArray(R"("/tmp/x\\"\\$y/Quillfetch")");
    QTest::newRow("backslash") << R"(/tmp/back\slash/Quillfetch)"
                               << QByteArray(R"("/tmp/back\\\\slash/Quillfetch")");
    QTest::newRow("percent") << "/tmp/100%/Quillfetch" << QByteArray(R"("/tmp/100%%/Quillfetch")");
}

QTEST_GUILESS_MAIN(tst_Platform)
#include "tst_Platform.moc"
