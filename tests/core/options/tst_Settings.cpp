#include "TestHome.h"
#include "options/Settings.h"
#include "store/ProjectRecord.h"

#include <QFile>
#include <QTest>

using Colour = Settings::Colour;

class tst_Settings final : public QObject
{
    Q_OBJECT

private slots:
    void defaultsWhenNothingIsStored();
    void valuesSurviveAsText();
    void optionsMissingUntilAllThreeAreWritten();
    void packSizeFallback_data();
    void packSizeFallback();
    void colourFromText_data();
    void colourFromText();
    void projectOptionsGoBothWays();

private:
    TestHome m_home;
};

namespace {
const QString DefaultFolder = QStringLiteral("/data/received/");
const QList<Colour> AllColours{Colour::MainBarBack, Colour::MainBarFore, Colour::SecBarBack,
                               Colour::SecBarFore,  Colour::GraphBack,   Colour::GraphFore,
                               Colour::GraphModem};

// The colour lines of a record, in the order of AllColours.
QString *colourField(ProjectRecord &record, qsizetype i)
{
    return QList<QString *>{&record.bar1Back,  &record.bar1For,  &record.bar2Back,  &record.bar2For,
                            &record.graphBack, &record.graphFor, &record.graphModem}[i];
}
} // namespace

void tst_Settings::defaultsWhenNothingIsStored()
{
    QSettings store(m_home.root() + QStringLiteral("empty.ini"), QSettings::IniFormat);
    const Settings s(store, DefaultFolder);
    QStringList colours;
    for (Colour c : AllColours)
        colours << s.colourText(c);
    QCOMPARE(colours,
             (QStringList{"16777215", "255", "16777215", "8421631", "16777215", "8421631", "0"}));
    QCOMPARE(s.colour(Colour::SecBarFore), QColor(255, 128, 128));
    QCOMPARE(s.filePath(), DefaultFolder);
    QCOMPARE(s.packSizeText(), QStringLiteral("512000"));
    QCOMPARE(s.modemSpeedText(), QStringLiteral("56"));
    QCOMPARE(s.showModemText(), QStringLiteral("1"));
    QVERIFY(s.showModem() && s.tray() && !s.onStartTab());
}

void tst_Settings::valuesSurviveAsText()
{
    {
        QSettings store(m_home.settingsPath(), QSettings::IniFormat);
        Settings s(store, DefaultFolder);
        s.setFilePath(QStringLiteral("/downloads"));
        s.setPackSizeText(QStringLiteral("1024000"));
        s.setModemSpeedText(QStringLiteral("33.6"));
        s.setShowModem(false);
        s.setColourText(Colour::GraphModem, Settings::colourToText(QColor(0, 255, 0)));
        s.setTray(false);
        s.setOnStartTab(true);
        s.setAppPath(QStringLiteral("/opt/quillfetch/"));
    }
    QSettings store(m_home.settingsPath(), QSettings::IniFormat);
    const Settings s(store, DefaultFolder);
    QCOMPARE(s.filePath(), QStringLiteral("/downloads/"));
    QCOMPARE(s.packSize(), 1024000);
    QCOMPARE(s.modemSpeed(), 33.6);
    QVERIFY(!s.showModem() && !s.tray() && s.onStartTab());
    QCOMPARE(s.colour(Colour::GraphModem), QColor(0, 255, 0));
    QCOMPARE(s.appPath(QString()), QStringLiteral("/opt/quillfetch"));

    QFile file(m_home.settingsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray ini = file.readAll();
    QVERIFY(ini.startsWith("[options]"));
    for (const char *line : {"packsize=1024000", "modemspeed=33.6", "ShowModem=0",
                             "graphmodem=65280", "Tray=0", "OnStartTab=1"})
        QVERIFY2(ini.contains(line), line);
}

void tst_Settings::optionsMissingUntilAllThreeAreWritten()
{
    QSettings store(m_home.root() + QStringLiteral("missing.ini"), QSettings::IniFormat);
    Settings s(store, DefaultFolder);
    QVERIFY(s.optionsMissing());
    s.setFilePath(DefaultFolder);
    s.setPackSizeText(QStringLiteral("512000"));
    QVERIFY(s.optionsMissing());
    s.setModemSpeedText(QString());
    QVERIFY(!s.optionsMissing());
    // An empty folder would name files in the working folder.
    s.setFilePath(QString());
    QCOMPARE(s.filePath(), DefaultFolder);
}

void tst_Settings::packSizeFallback_data()
{
    QTest::addColumn<QString>("packSize");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("modemSpeed");
    QTest::addColumn<double>("kbits");
    const qint64 fallback = Settings::DefaultPackSize;
    QTest::newRow("valid") << "5000000000" << qint64(5000000000) << "1024" << 1024.0;
    QTest::newRow("zero") << "0" << fallback << "0" << 56.0;
    QTest::newRow("negative") << "-512000" << fallback << "-56" << 56.0;
    QTest::newRow("not a number") << "big" << fallback << "fast" << 56.0;
    QTest::newRow("decimal pack, infinite modem") << "512000.5" << fallback << "inf" << 56.0;
}

void tst_Settings::packSizeFallback()
{
    QFETCH(QString, packSize);
    QFETCH(QString, modemSpeed);
    QSettings store(m_home.root() + QStringLiteral("numbers.ini"), QSettings::IniFormat);
    Settings s(store, DefaultFolder);
    s.setPackSizeText(packSize);
    s.setModemSpeedText(modemSpeed);
    QTEST(s.packSize(), "bytes");
    QTEST(s.modemSpeed(), "kbits");
    QCOMPARE(s.packSizeText(), packSize);
}

void tst_Settings::colourFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("red in the low byte") << "255" << QColor(255, 0, 0);
    QTest::newRow("blue in the high byte") << "16711680" << QColor(0, 0, 255);
    QTest::newRow("not a number") << "red" << QColor(0, 0, 0);
    QTest::newRow("negative") << "-1" << QColor(0, 0, 0);
    QTest::newRow("above 24 bits") << "16777216" << QColor(0, 0, 0);
}

void tst_Settings::colourFromText()
{
    QFETCH(QString, text);
    QTEST(Settings::colourFromText(text, QStringLiteral("0")), "colour");
}

void tst_Settings::projectOptionsGoBothWays()
{
    QSettings store(m_home.root() + QStringLiteral("project.ini"), QSettings::IniFormat);
    Settings s(store, DefaultFolder);
    ProjectRecord record;
    record.path = QStringLiteral("/project/");
    record.packSize = QStringLiteral("2048000");
    record.showModem = QStringLiteral("0");
    for (qsizetype i = 0; i < AllColours.size(); ++i)
        *colourField(record, i) = QString::number(i + 1);
    s.applyRecord(record);

    QCOMPARE(s.filePath(), record.path);
    QCOMPARE(s.packSize(), 2048000);
    QVERIFY(!s.showModem());
    const QStringList keys{"mainbarreback", "mainbarrefor", "secbarreback", "secbarrefor",
                           "graphback",     "graphfor",     "graphmodem"};
    for (qsizetype i = 0; i < keys.size(); ++i)
        QCOMPARE(store.value(QStringLiteral("options/") + keys[i]), QString::number(i + 1));

    ProjectRecord fresh;
    s.fillRecordColours(fresh);
    for (qsizetype i = 0; i < AllColours.size(); ++i)
        QCOMPARE(*colourField(fresh, i), QString::number(i + 1));
}

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_Settings.moc"
