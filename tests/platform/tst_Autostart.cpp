#include "platform/Autostart.h"

#include "TestHome.h"

#include <QFile>
#include <QtTest>

class tst_Autostart final : public QObject
{
    Q_OBJECT

private slots:
    void entryStartsTheProgramMinimised_data();
    void entryStartsTheProgramMinimised();
    void toggleFollowsTheEntryOnDisk();
    void defaultFolderFollowsXdgConfigHome();
};

void tst_Autostart::entryStartsTheProgramMinimised_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("exec");
    QTest::newRow("plain") << "/opt/Quillfetch/Quillfetch"
                           << QByteArray(R"(Exec="/opt/Quillfetch/Quillfetch" -Startwin-)");
    QTest::newRow("space") << "/home/a b/Quillfetch"
                           << QByteArray(R"(Exec="/home/a b/Quillfetch" -Startwin-)");
    QTest::newRow("quote and dollar")
        << R"(/tmp/x"$y/Quillfetch)" << QByteArray(R"(Exec="/tmp/x\\"\\$y/Quillfetch" -Startwin-)");
    QTest::newRow("backslash") << R"(/tmp/back\slash/Quillfetch)"
                               << QByteArray(R"(Exec="/tmp/back\\\\slash/Quillfetch" -Startwin-)");
    QTest::newRow("percent") << "/tmp/100%/Quillfetch"
                             << QByteArray(R"(Exec="/tmp/100%%/Quillfetch" -Startwin-)");
}

void tst_Autostart::entryStartsTheProgramMinimised()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, exec);
    TestHome home;
    Autostart autostart(program, home.configFolder() + QStringLiteral("autostart/"));
    QVERIFY(autostart.toggle());
    QFile entry(autostart.entryPath());
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QCOMPARE(entry.readAll(), "[Desktop Entry]\nType=Application\nName=Quillfetch\n"
                              "Comment=Download accelerator\n" +
                                  exec + "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
}

void tst_Autostart::toggleFollowsTheEntryOnDisk()
{
    TestHome home;
    const QString folder = home.configFolder() + QStringLiteral("autostart/");
    Autostart autostart(QStringLiteral("/opt/Quillfetch/Quillfetch"), folder);
    QCOMPARE(autostart.entryPath(), folder + QStringLiteral("Quillfetch.desktop"));
    QVERIFY(!autostart.isEnabled());
    QVERIFY(autostart.toggle());
    QVERIFY(autostart.isEnabled());

    QVERIFY(QFile::remove(autostart.entryPath())); // removed behind the program's back
    QVERIFY(autostart.toggle());
    QVERIFY(autostart.isEnabled());

    QVERIFY(autostart.toggle());
    QVERIFY(!QFile::exists(autostart.entryPath()));
}

void tst_Autostart::defaultFolderFollowsXdgConfigHome()
{
    TestHome home;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", home.configFolder().toLocal8Bit());
    qputenv("HOME", (home.root() + QStringLiteral("home")).toLocal8Bit());
    const QString withVariable = Autostart::defaultFolder();
    qputenv("XDG_CONFIG_HOME", QByteArray());
    const QString withoutVariable = Autostart::defaultFolder();
    qputenv("XDG_CONFIG_HOME", savedConfig);
    qputenv("HOME", savedHome);

    QCOMPARE(withVariable, home.configFolder() + QStringLiteral("autostart/"));
    QCOMPARE(withoutVariable, home.root() + QStringLiteral("home/.config/autostart/"));
}

QTEST_GUILESS_MAIN(tst_Autostart)
#include "tst_Autostart.moc"
