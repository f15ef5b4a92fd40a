#include "TestHome.h"

#include "options/Settings.h"
#include "probe/NewProjectRecord.h"

#include <QSettings>
#include <QTest>

// The record a successful probe turns into, and when a server without ranges is still usable.
class tst_ProbeNewProject final : public QObject
{
    Q_OBJECT

private slots:
    void recordFromDefaults();
    void recordFromChangedSettings();
    void fitsTransfer_data();
    void fitsTransfer();
};

void tst_ProbeNewProject::recordFromDefaults()
{
    TestHome home;
    QSettings store(home.settingsPath(), QSettings::IniFormat);
    const Settings settings(store, home.dataFolder() + "received/");
    const ProbeResult result{"127.0.0.1:8080/dir/setup.exe", 700000, "setup", false, true};

    const ProjectRecord record =
        newProjectRecord(result, NewProjectOptions::fromSettings(settings), settings);

    QCOMPARE(record.toText(), "url:127.0.0.1:8080/dir/setup.exe\r\n"
                              "bytes:700000\r\n"
                              "path:" +
                                  home.dataFolder().toUtf8() +
                                  "received/\r\n"
                                  "packsize:512000\r\n"
                                  "showmodem:1\r\n"
                                  "bar1back:16777215\r\n"
                                  "bar1for:255\r\n"
                                  "bar2back:16777215\r\n"
                                  "bar2for:8421631\r\n"
                                  "graphback:16777215\r\n"
                                  "graphfor:8421631\r\n"
                                  "graphmodem:0\r\n"
                                  "Type:0\r\n"
                                  "status:1\r\n");
}

void tst_ProbeNewProject::recordFromChangedSettings()
{
    TestHome home;
    QSettings store(home.settingsPath(), QSettings::IniFormat);
    Settings settings(store, home.dataFolder() + "received/");
    settings.setFilePath("/data/in/");
    settings.setPackSizeText("1024000");
    settings.setShowModem(false);
    settings.setColourText(Settings::Colour::MainBarFore, "65280");
    settings.setColourText(Settings::Colour::GraphModem, "8388608");
    const ProbeResult result{"127.0.0.1:2121/pub/big.iso", 3000000000, "big", true, true};

    const ProjectRecord record =
        newProjectRecord(result, NewProjectOptions::fromSettings(settings), settings);

    QCOMPARE(record.toText(), QByteArray("url:127.0.0.1:2121/pub/big.iso\r\n"
                                         "bytes:3000000000\r\n"
                                         "path:/data/in/\r\n"
                                         "packsize:1024000\r\n"
                                         "showmodem:0\r\n"
                                         "bar1back:16777215\r\n"
                                         "bar1for:65280\r\n"
                                         "bar2back:16777215\r\n"
                                         "bar2for:8421631\r\n"
                                         "graphback:16777215\r\n"
                                         "graphfor:8421631\r\n"
                                         "graphmodem:8388608\r\n"
                                         "Type:1\r\n"
                                         "status:1\r\n"));
}

void tst_ProbeNewProject::fitsTransfer_data()
{
    QTest::addColumn<bool>("ranges");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("packSize");
    QTest::addColumn<bool>("fits");
    QTest::newRow("ranges, any size") << true << qint64(10000000) << qint64(512000) << true;
    QTest::newRow("no ranges, one pack") << false << qint64(512000) << qint64(512000) << true;
    QTest::newRow("no ranges, pack made smaller")
        << false << qint64(512000) << qint64(256000) << false;
}

void tst_ProbeNewProject::fitsTransfer()
{
    QFETCH(bool, ranges);
    QFETCH(qint64, size);
    QFETCH(qint64, packSize);
    QFETCH(bool, fits);
    const ProbeResult result{"h/f.bin", size, "f", false, ranges};
    QCOMPARE(::fitsTransfer(result, packSize), fits);
}

QTEST_GUILESS_MAIN(tst_ProbeNewProject)
#include "tst_ProbeNewProject.moc"
