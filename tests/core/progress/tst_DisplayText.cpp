#include "progress/DisplayText.h"

#include <QTest>

class tst_DisplayText final : public QObject
{
    Q_OBJECT

private slots:
    void sizeAndSpeed_data()
    {
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("size");
        QTest::newRow("below a Kb") << qint64(1023) << english << "1023 Bytes";
        QTest::newRow("one Kb") << qint64(1024) << english << "1.00 Kb";
        QTest::newRow("last Kb, not grouped") << qint64(1023999) << english << "1000.00 Kb";
        QTest::newRow("first Mb") << qint64(1024000) << english << "1.00 Mb";
        QTest::newRow("exact Mb half") << qint64(1029120) << english << "1.01 Mb";
        QTest::newRow("beyond 32 bits") << qint64(5000000000) << english << "4,882.81 Mb";
        QTest::newRow("German Mb") << qint64(1024000) * 1234 + 512000
                                   << QLocale(QLocale::German, QLocale::Germany) << "1.234,50 Mb";
    }

    // A speed reads like a size, with "/s" after Kb and Mb but not after Bytes.
    void sizeAndSpeed()
    {
        QFETCH(qint64, bytes);
        QFETCH(QLocale, locale);
        QFETCH(QString, size);
        QCOMPARE(Format_Taille(bytes, locale), size);
        QCOMPARE(Format_Vitesse(bytes, locale), bytes < 1024 ? size : size + QStringLiteral("/s"));
    }

    void duration_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("one minute") << qint64(60) << "00:01:00";
        QTest::newRow("one hour") << qint64(3600) << "01:00:00";
        QTest::newRow("hours take more digits") << qint64(360000 + 61) << "100:01:01";
        QTest::newRow("negative reads as nothing") << qint64(-5) << "00:00:00";
    }

    void duration()
    {
        QFETCH(qint64, seconds);
        QTEST(Format_Temps(seconds), "text");
    }

    void bitRate_data()
    {
        QTest::addColumn<double>("bytesPerSecond");
        QTest::addColumn<QString>("text");
        QTest::newRow("56 K modem") << 7168.0 << "56 Kbit/s";
        QTest::newRow("half rounds up") << 64.0 << "1 Kbit/s";
        QTest::newRow("no grouping") << 128000000.0 << "1000000 Kbit/s";
        QTest::newRow("not a number") << qQNaN() << "0 Kbit/s";
    }

    void bitRate()
    {
        QFETCH(double, bytesPerSecond);
        QTEST(bitRateText(bytesPerSecond), "text");
    }
};

QTEST_GUILESS_MAIN(tst_DisplayText)
#include "tst_DisplayText.moc"
