#include "TestHome.h"
#include "options/Settings.h"
#include "store/ProjectRecord.h"

#include <QFile>
#include <QTest>

using Colour = Settings::Colour;

namespace {
const QString DefaultFolder = QStringLiteral("/data/received/");

// The colour lines of a record, in the order of the Colour enumeration.
QList<QString *> colourFields(ProjectRecord &record)
{
    return {&record.bar1Back,  &record.bar1For,  &record.bar2Back,  &record.bar2For,
            &record.graphBack, &record.graphFor, &record.graphModem};
}
} // namespace

class tst_Settings final : public QObject
{
    Q_OBJECT

private slots:
    void defaultsUntilAllThreeOptionsAreWritten()
    {
        Settings s(*store(QStringLiteral("missing.ini")), DefaultFolder);
        ProjectRecord record;
        s.fillRecordColours(record);
        QStringList colours;
        for (const QString *field : colourFields(record))
            colours << *field;
        QCOMPARE(colours, (QStringList{"16777215", "255", "16777215", "8421631", "16777215",
                                       "8421631", "0"}));
        QCOMPARE(s.packSizeText(), QStringLiteral("512000"));
        QVERIFY(s.optionsMissing());
        s.setFilePath(DefaultFolder);
        s.setPackSizeText(QStringLiteral("512000"));
        QVERIFY(s.optionsMissing());
        s.setModemSpeedText(QString());
        QVERIFY(!s.optionsMissing());
        // An empty folder would name files in the working folder.
        s.setFilePath(QString());
        QCOMPARE(s.filePath(), DefaultFolder);
        s.setFilePath(QStringLiteral("mine")); // not the working folder: the data folder
        QCOMPARE(s.filePath(), QStringLiteral("/data/mine/"));
    }

    void valuesSurviveAsText()
    {
        {
            Settings s(*store(QStringLiteral("settings.ini")), DefaultFolder);
            s.setFilePath(QStringLiteral("/downloads"));
            s.setPackSizeText(QStringLiteral("1024000"));
            s.setModemSpeedText(QStringLiteral("33.6"));
            s.setShowModem(false);
            s.setColourText(Colour::GraphModem, Settings::colourToText(QColor(0, 255, 0)));
            s.setTray(false);
            s.setOnStartTab(true);
        }
        const Settings s(*store(QStringLiteral("settings.ini")), DefaultFolder);
        QCOMPARE(s.filePath(), QStringLiteral("/downloads/"));
        QVERIFY(!s.showModem() && !s.tray() && s.onStartTab());
        QFile file(m_home.root() + QStringLiteral("settings.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ini = file.readAll();
        QVERIFY(ini.startsWith("[options]"));
        for (const char *line : {"packsize=1024000", "modemspeed=33.6", "ShowModem=0",
                                 "graphmodem=65280", "Tray=0", "OnStartTab=1"})
            QVERIFY2(ini.contains(line), line);
    }

    void packSizeFallback_data()
    {
        QTest::addColumn<QString>("packSize");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("modemSpeed");
        QTest::addColumn<double>("kbits");
        const qint64 fallback = Settings::DefaultPackSize;
        QTest::newRow("valid") << "5000000000" << qint64(5000000000) << "1024" << 1024.0;
        QTest::newRow("zero") << "0" << fallback << "0" << 56.0;
        QTest::newRow("one byte, smallest pack") << "1" << fallback << "1" << 1.0;
        QTest::newRow("negative") << "-512000" << fallback << "-56" << 56.0;
        QTest::newRow("not a number") << "big" << fallback << "fast" << 56.0;
        QTest::newRow("decimal pack, infinite modem") << "512000.5" << fallback << "inf" << 56.0;
    }

    void packSizeFallback()
    {
        QFETCH(QString, packSize);
        QFETCH(QString, modemSpeed);
        Settings s(*store(QStringLiteral("numbers.ini")), DefaultFolder);
        s.setPackSizeText(packSize);
        s.setModemSpeedText(modemSpeed);
        QTEST(s.packSize(), "bytes");
        QTEST(s.modemSpeed(), "kbits");
        QCOMPARE(s.packSizeText(), packSize);
    }

    void colourFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("red in the low byte") << "255" << QColor(255, 0, 0);
        QTest::newRow("blue in the high byte") << "16711680" << QColor(0, 0, 255);
        QTest::newRow("not a number") << "red" << QColor(0, 0, 0);
        QTest::newRow("above 24 bits") << "16777216" << QColor(0, 0, 0);
    }

    void colourFromText()
    {
        QFETCH(QString, text);
        QTEST(Settings::colourFromText(text, QStringLiteral("0")), "colour");
    }

    void projectOptionsGoBothWays()
    {
        QSettings *ini = store(QStringLiteral("project.ini"));
        Settings s(*ini, DefaultFolder);
        ProjectRecord record;
        record.path = QStringLiteral("/project/");
        record.packSize = QStringLiteral("2048000");
        record.showModem = QStringLiteral("0");
        for (qsizetype i = 0; i < 7; ++i)
            *colourFields(record)[i] = QString::number(i + 1);
        s.applyRecord(record);
        QCOMPARE(s.packSize(), 2048000);
        const QStringList keys{"mainbarreback", "mainbarrefor", "secbarreback", "secbarrefor",
                               "graphback",     "graphfor",     "graphmodem"};
        ProjectRecord fresh;
        s.fillRecordColours(fresh);
        for (qsizetype i = 0; i < keys.size(); ++i) {
            QCOMPARE(ini->value(QStringLiteral("options/") + keys[i]), QString::number(i + 1));
            QCOMPARE(*colourFields(fresh)[i], QString::number(i + 1));
        }
    }

private:
    QSettings *store(const QString &file)
    {
        m_store.emplace(m_home.root() + file, QSettings::IniFormat);
        return &*m_store;
    }

    TestHome m_home;
    std::optional<QSettings> m_store;
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_Settings.moc"
