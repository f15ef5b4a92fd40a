#include "progress/DisplayText.h"

#include <QTest>

class tst_DisplayText final : public QObject
{
    Q_OBJECT

private slots:
    void sizeAndSpeed_data();
    void sizeAndSpeed();
    void duration_data();
    void duration();
    void bitRate_data();
    void bitRate();
};

void tst_DisplayText::sizeAndSpeed_data()
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("size");
    QTest::newRow("below a Kb") << qint64(1023) << english << "1023 Bytes";
    QTest::newRow("one Kb") << qint64(1024) << english << "1.00 Kb";
    QTest::newRow("1.499 rounds up") << qint64(1535) << english << "1.50 Kb";
    QTest::newRow("exact half away from zero") << qint64(1152) << english << "1.13 Kb";
    QTest::newRow("last Kb, not grouped") << qint64(1023999) << english << "1000.00 Kb";
    QTest::newRow("first Mb") << qint64(1024000) << english << "1.00 Mb";
    QTest::newRow("exact Mb half") << qint64(1029120) << english << "1.01 Mb";
    QTest::newRow("beyond 32 bits") << qint64(5000000000) << english << "4,882.81 Mb";
    QTest::newRow("millions of Mb") << qint64(1024000) * 1234567 << english << "1,234,567.00 Mb";
    QTest::newRow("German Kb") << qint64(1536) << german << "1,50 Kb";
    QTest::newRow("German Mb") << qint64(1024000) * 1234 + 512000 << german << "1.234,50 Mb";
    QTest::newRow("C locale still groups")
        << qint64(1024000) * 1234 << QLocale::c() << "1,234.00 Mb";
}

// A speed reads like a size, with "/s" after Kb and Mb but not after Bytes.
void tst_DisplayText::sizeAndSpeed()
{
    QFETCH(qint64, bytes);
    QFETCH(QLocale, locale);
    QFETCH(QString, size);
    QCOMPARE(Format_Taille(bytes, locale), size);
    QCOMPARE(Format_Vitesse(bytes, locale), bytes < 1024 ? size : size + QStringLiteral("/s"));
}

void tst_DisplayText::duration_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("59 s") << qint64(59) << "00:00:59";
    QTest::newRow("one minute") << qint64(60) << "00:01:00";
    QTest::newRow("one hour") << qint64(3600) << "01:00:00";
    QTest::newRow("hours take more digits") << qint64(360000 + 61) << "100:01:01";
    QTest::newRow("negative reads as nothing") << qint64(-5) << "00:00:00";
}

void tst_DisplayText::duration()
{
    QFETCH(qint64, seconds);
    QTEST(Format_Temps(seconds), "text");
}

void tst_DisplayText::bitRate_data()
{
    QTest::addColumn<double>("bytesPerSecond");
    QTest::addColumn<QString>("text");
    QTest::newRow("56 K modem") << 7168.0 << "56 Kbit/s";
    QTest::newRow("half rounds up") << 64.0 << "1 Kbit/s";
    QTest::newRow("below half") << 63.9 << "0 Kbit/s";
    QTest::newRow("no grouping") << 128000000.0 << "1000000 Kbit/s";
    QTest::newRow("not a number") << qQNaN() << "0 Kbit/s";
}

void tst_DisplayText::bitRate()
{
    QFETCH(double, bytesPerSecond);
    QTEST(bitRateText(bytesPerSecond), "text");
}

QTEST_GUILESS_MAIN(tst_DisplayText)
#include "tst_DisplayText.moc"
