#include "TestHome.h"
#include "options/Settings.h"
#include "store/ProjectRecord.h"

#include <QFile>
#include <QTest>

class tst_Settings final : public QObject
{
    Q_OBJECT

private slots:
    // Lines of the file (joined by "&") read back as the last one's value; a value that cannot
    // be used reads as the default.
    void readBack_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("pack beyond 32 bits") << "packsize=5000000000" << QVariant(5000000000LL);
        QTest::newRow("smallest pack") << "packsize=64000" << QVariant(64000LL);
        QTest::newRow("pack below 64000") << "packsize=63999" << QVariant(512000LL);
        QTest::newRow("decimal modem") << "modemspeed=33.6" << QVariant(33.6);
        QTest::newRow("zero modem") << "modemspeed=0" << QVariant(56.0);
        QTest::newRow("blue in the high byte")
            << "mainbarrefor=16711680" << QVariant(QColor(Qt::blue));
        QTest::newRow("colour not a number") << "mainbarrefor=red" << QVariant(QColor(Qt::red));
        QTest::newRow("switch not a number") << "ShowModem=x" << QVariant(true);
        // An empty folder would name files in the working folder, a relative one in whatever
        // folder the program was started from.
        QTest::newRow("empty folder") << "FilePath=" << QVariant(m_folder);
        QTest::newRow("relative folder") << "FilePath=mine" << QVariant("/data/mine/");
        // Kb/s unless the limit names its unit, as curl and wget read it.
        QTest::newRow("limit in Kb/s") << "LimitSpeed=1&speedlimit=500" << QVariant(512000LL);
        QTest::newRow("limit in M") << "LimitSpeed=1&speedlimit=2M" << QVariant(2097152LL);
        QTest::newRow("limit in k, decimal") << "LimitSpeed=1&speedlimit=1.5k" << QVariant(1536LL);
        QTest::newRow("limit off by default") << "speedlimit=2M" << QVariant(0LL);
        QTest::newRow("limit not a speed") << "LimitSpeed=1&speedlimit=2 Mb" << QVariant(0LL);
        QTest::newRow("limit below zero") << "LimitSpeed=1&speedlimit=-2k" << QVariant(0LL);
    }

    void readBack()
    {
        QFETCH(QString, line);
        m_ini.clear();
        QString key;
        for (const QString &pair : line.split(u'&')) {
            key = pair.section(u'=', 0, 0);
            m_ini.setValue(QStringLiteral("options/") + key, pair.section(u'=', 1));
        }
        const Settings s(m_ini, m_folder);
        const QHash<QString, QVariant> read{
            {"packsize", s.packSize()},
            {"modemspeed", s.modemSpeed()},
            {"mainbarrefor", s.colour(Settings::Colour::MainBarFore)},
            {"ShowModem", s.showModem()},
            {"FilePath", s.filePath()},
            {"speedlimit", s.speedLimit()}};
        QTEST(read.value(key), "value");
    }

    // A project's record sets the options it holds.
    void recordSetsItsOptions()
    {
        Settings s(m_ini, m_folder);
        s.applyRecord(*ProjectRecord::parse(
            "url:h/a\r\nbytes:1\r\npath:/project/\r\npacksize:2048000\r\nshowmodem:0\r\n"
            "bar1back:1\r\nbar1for:2\r\nbar2back:3\r\nbar2for:4\r\ngraphback:5\r\ngraphfor:6\r\n"
            "graphmodem:7\r\nType:0\r\nstatus:1\r\n"));
        QCOMPARE(s.filePath(), QStringLiteral("/project/"));
        QCOMPARE(s.packSize(), 2048000);
        QVERIFY(!s.showModem());
    }

    // The proxy reads back from the file as it was set; with a password the file is its owner's
    // alone, also once written again.
    void proxyKeptForItsOwnerAlone()
    {
        Settings s(m_ini, m_folder);
        QCOMPARE(s.proxy().mode, ProxySetting::Mode::Environment);
        const ProxySetting proxy{
            ProxySetting::Mode::Manual, ProxySetting::Type::Socks5, "::1", 1080, "anna", "p:w"};
        s.setProxy(proxy);
        s.setTray(false);
        s.sync();
        QSettings file(m_home.settingsPath(), QSettings::IniFormat);
        QCOMPARE(Settings(file, m_folder).proxy(), proxy);
        QCOMPARE(QFile::permissions(m_home.settingsPath()) & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());
    }

private:
    const QString m_folder = QStringLiteral("/data/received/");
    TestHome m_home;
    QSettings m_ini{m_home.settingsPath(), QSettings::IniFormat};
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_Settings.moc"
