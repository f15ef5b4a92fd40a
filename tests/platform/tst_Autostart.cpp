#include "platform/Autostart.h"

#include "TestHome.h"

#include <QFile>
#include <QtTest>

class tst_Autostart final : public QObject
{
    Q_OBJECT

private slots:
    void entryStartsTheProgramMinimised_data();
    // The entry quotes the program's path; the toggle follows the entry on disk, even one
    // removed behind the program's back.
    void entryStartsTheProgramMinimised()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, exec);
        TestHome home;
        Autostart autostart(program, home.configFolder() + QStringLiteral("autostart/"));
        QVERIFY(!autostart.isEnabled());
        QVERIFY(autostart.toggle());
        QFile entry(autostart.entryPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QCOMPARE(entry.readAll(), "[Desktop Entry]\nType=Application\nName=Quillfetch\n"
                                  "Comment=Download accelerator\nExec=" +
                                      exec +
                                      " -Startwin-\nTerminal=false\n"
                                      "X-GNOME-Autostart-enabled=true\n");
        QVERIFY(autostart.isEnabled());
        QVERIFY(entry.remove());
        QVERIFY(autostart.toggle());
        QVERIFY(autostart.isEnabled());
        QVERIFY(autostart.toggle());
        QVERIFY(!QFile::exists(autostart.entryPath()));
    }

    void defaultFolderFollowsXdgConfigHome()
    {
        TestHome home;
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", home.configFolder().toLocal8Bit());
        const QString folder = Autostart::defaultFolder();
        qputenv("XDG_CONFIG_HOME", saved);
        QCOMPARE(folder, home.configFolder() + QStringLiteral("autostart/"));
    }
};

void tst_Autostart::entryStartsTheProgramMinimised_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("exec");
    QTest::newRow("space") << "/home/a b/Quillfetch" << QByteArray(R"("/home/a b/Quillfetch")");
    QTest::newRow("quote and dollar")
        << R"(/tmp/x"$y/Quillfetch)" << QByteArray(R"("/tmp/x\\"\\$y/Quillfetch")");
    QTest::newRow("backslash") << R"(/tmp/back\slash/Quillfetch)"
                               << QByteArray(R"("/tmp/back\\\\slash/Quillfetch")");
    QTest::newRow("percent") << "/tmp/100%/Quillfetch" << QByteArray(R"("/tmp/100%%/Quillfetch")");
}

QTEST_GUILESS_MAIN(tst_Autostart)
#include "tst_Autostart.moc"
