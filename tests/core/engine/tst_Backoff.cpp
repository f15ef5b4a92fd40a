#include "engine/Backoff.h"

#include <QTest>

// The delay before a failed connection is tried again: it doubles up to its ceiling, and a
// success starts it over.
class tst_Backoff final : public QObject
{
    Q_OBJECT

private slots:
    void doublesUpToItsCeiling_data();
    void doublesUpToItsCeiling();
};

void tst_Backoff::doublesUpToItsCeiling_data()
{
    QTest::addColumn<int>("firstMs");
    QTest::addColumn<int>("maxMs");
    QTest::addColumn<QList<int>>("delays");

    QTest::newRow("program values")
        << 1000 << 30000 << QList<int>{1000, 2000, 4000, 8000, 16000, 30000, 30000};
    QTest::newRow("ceiling below the first") << 500 << 100 << QList<int>{500, 500};
    QTest::newRow("no delay given") << 0 << 0 << QList<int>{1, 1};
}

void tst_Backoff::doublesUpToItsCeiling()
{
    QFETCH(int, firstMs);
    QFETCH(int, maxMs);
    QFETCH(QList<int>, delays);

    Backoff backoff(firstMs, maxMs);
    for (int round = 0; round < 2; ++round) {
        QList<int> seen;
        for (qsizetype i = 0; i < delays.size(); ++i)
            seen << backoff.next();
        QCOMPARE(seen, delays);
        backoff.reset();
    }
}

QTEST_GUILESS_MAIN(tst_Backoff)
#include "tst_Backoff.moc"
