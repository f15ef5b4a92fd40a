#include "TestHome.h"
#include "options/Settings.h"
#include "store/ProjectRecord.h"

#include <QTest>

using Colour = Settings::Colour;

namespace {
const QString DefaultFolder = QStringLiteral("/data/received/");
} // namespace

class tst_Settings final : public QObject
{
    Q_OBJECT

private slots:
    // A line of the file reads back; a value that cannot be used reads as the default.
    void readBack_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QVariant>("value");
        const QVariant defaultPack = Settings::DefaultPackSize;
        const QColor red(255, 0, 0);
        QTest::newRow("pack beyond 32 bits") << "packsize=5000000000" << QVariant(5000000000LL);
        QTest::newRow("smallest pack") << "packsize=64000" << QVariant(64000LL);
        QTest::newRow("pack below 64000") << "packsize=63999" << defaultPack;
        QTest::newRow("decimal modem") << "modemspeed=33.6" << QVariant(33.6);
        QTest::newRow("zero modem") << "modemspeed=0" << QVariant(56.0);
        QTest::newRow("infinite modem") << "modemspeed=inf" << QVariant(56.0);
        QTest::newRow("blue in the high byte")
            << "mainbarrefor=16711680" << QVariant(QColor(Qt::blue));
        QTest::newRow("colour above 24 bits") << "mainbarrefor=16777216" << QVariant(red);
        QTest::newRow("colour not a number") << "mainbarrefor=red" << QVariant(red);
        QTest::newRow("switch not a number") << "ShowModem=x" << QVariant(true);
        QTest::newRow("tray off") << "Tray=0" << QVariant(false);
        QTest::newRow("start tab on") << "OnStartTab=1" << QVariant(true);
        // An empty folder would name files in the working folder, a relative one in whatever
        // folder the program was started from.
        QTest::newRow("empty folder") << "FilePath=" << QVariant(DefaultFolder);
        QTest::newRow("relative folder") << "FilePath=mine" << QVariant("/data/mine/");
    }

    void readBack()
    {
        QFETCH(QString, line);
        const QString key = line.section(u'=', 0, 0);
        m_ini.clear();
        m_ini.setValue(QStringLiteral("options/") + key, line.section(u'=', 1));
        const Settings s(m_ini, DefaultFolder);
        const QHash<QString, QVariant> read{{"packsize", s.packSize()},
                                            {"modemspeed", s.modemSpeed()},
                                            {"mainbarrefor", s.colour(Colour::MainBarFore)},
                                            {"ShowModem", s.showModem()},
                                            {"Tray", s.tray()},
                                            {"OnStartTab", s.onStartTab()},
                                            {"FilePath", s.filePath()}};
        QTEST(read.value(key), "value");
    }

    // The options count as set once the folder, pack size and modem speed are written. A
    // project's record sets its options, and new records take its colours back.
    void recordOptionsGoBothWays()
    {
        m_ini.clear();
        Settings s(m_ini, DefaultFolder);
        s.setFilePath(QStringLiteral("/downloads"));
        s.setPackSizeText(QStringLiteral("512000"));
        QVERIFY(s.optionsMissing());
        s.setModemSpeedText(QString());
        QVERIFY(!s.optionsMissing());
        s.applyRecord(*ProjectRecord::parse(
            "url:h/a\r\nbytes:1\r\npath:/project/\r\npacksize:2048000\r\nshowmodem:0\r\n"
            "bar1back:1\r\nbar1for:2\r\nbar2back:3\r\nbar2for:4\r\ngraphback:5\r\ngraphfor:6\r\n"
            "graphmodem:7\r\nType:0\r\nstatus:1\r\n"));
        QCOMPARE(s.filePath(), QStringLiteral("/project/"));
        QCOMPARE(s.packSize(), 2048000);
        QVERIFY(!s.showModem());
        ProjectRecord fresh;
        s.fillRecordColours(fresh);
        QCOMPARE(QStringList({fresh.bar1Back, fresh.bar1For, fresh.bar2Back, fresh.bar2For,
                              fresh.graphBack, fresh.graphFor, fresh.graphModem}),
                 QStringList({"1", "2", "3", "4", "5", "6", "7"}));
    }

private:
    TestHome m_home;
    QSettings m_ini{m_home.settingsPath(), QSettings::IniFormat};
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_Settings.moc"
