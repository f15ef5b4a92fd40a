#include "engine/PackPlan.h"
#include "engine/PackQueue.h"

#include <QLocale>
#include <QTest>

class tst_PackPlan final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void plan_data();
    void plan();
    void queueCoversTheFileInOrder_data();
    void queueCoversTheFileInOrder();
    void resumeListCountsTheShortPackApart();
};

void tst_PackPlan::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void tst_PackPlan::plan_data()
{
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("packSize");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<qint64>("shortLength");
    QTest::addColumn<QString>("planText");
    // The packs-to-go text after each of the first packs is handed out.
    QTest::addColumn<QStringList>("toGo");

    const qint64 p = 512000;
    QTest::newRow("one byte") << qint64(1) << p << qint64(1) << qint64(1)
                              << "0 times 500.00 Kb and 1 Bytes"
                              << QStringList{"0 times 500.00 Kb"};
    QTest::newRow("exactly one pack") << p << p << qint64(1) << qint64(0) << "1 times 500.00 Kb"
                                      << QStringList{"0 times 500.00 Kb"};
    QTest::newRow("one pack plus one byte")
        << p + 1 << p << qint64(2) << qint64(1) << "1 times 500.00 Kb and 1 Bytes"
        << QStringList{"0 times 500.00 Kb and 1 Bytes", "0 times 500.00 Kb"};
    QTest::newRow("worked example")
        << qint64(1300000) << p << qint64(3) << qint64(276000) << "2 times 500.00 Kb and 269.53 Kb"
        << QStringList{"1 times 500.00 Kb and 269.53 Kb", "0 times 500.00 Kb and 269.53 Kb",
                       "0 times 500.00 Kb"};
    QTest::newRow("whole multiple")
        << qint64(1024000) << p << qint64(2) << qint64(0) << "2 times 500.00 Kb"
        << QStringList{"1 times 500.00 Kb", "0 times 500.00 Kb"};
    QTest::newRow("smaller than a pack")
        << qint64(300000) << p << qint64(1) << qint64(300000) << "0 times 500.00 Kb and 292.97 Kb"
        << QStringList{"0 times 500.00 Kb"};
    QTest::newRow("five thousand million bytes")
        << qint64(5000000000) << p << qint64(9766) << qint64(320000)
        << "9765 times 500.00 Kb and 312.50 Kb"
        << QStringList{"9764 times 500.00 Kb and 312.50 Kb", "9763 times 500.00 Kb and 312.50 Kb"};
    QTest::newRow("empty file") << qint64(0) << p << qint64(0) << qint64(0) << "0 times 500.00 Kb"
                                << QStringList{};
}

void tst_PackPlan::plan()
{
    QFETCH(qint64, fileSize);
    QFETCH(qint64, packSize);
    QFETCH(qint64, count);
    QFETCH(qint64, shortLength);
    QFETCH(QString, planText);
    QFETCH(QStringList, toGo);

    const PackPlan plan(fileSize, packSize);
    QCOMPARE(plan.count(), count);
    QCOMPARE(plan.shortLength(), shortLength);
    QCOMPARE(plan.planText(), planText);

    PackQueue queue(plan);
    for (const QString &expected : toGo) {
        QVERIFY(queue.next().has_value());
        QCOMPARE(queue.packsToGoText(), expected);
    }
}

void tst_PackPlan::queueCoversTheFileInOrder_data()
{
    plan_data();
}

// Packs come out numbered 0, 1, 2 ..., each starting where the previous ended, all of the
// pack size but a short last one, and together exactly the file.
void tst_PackPlan::queueCoversTheFileInOrder()
{
    QFETCH(qint64, fileSize);
    QFETCH(qint64, packSize);
    QFETCH(qint64, count);
    QFETCH(qint64, shortLength);

    const PackPlan plan(fileSize, packSize);
    PackQueue queue(plan);
    qint64 expectedNumber = 0;
    qint64 end = 0;
    while (const std::optional<Pack> pack = queue.next()) {
        QCOMPARE(pack->number, expectedNumber);
        QCOMPARE(pack->start, end);
        const bool last = expectedNumber == count - 1;
        QCOMPARE(pack->length, last && shortLength > 0 ? shortLength : packSize);
        end += pack->length;
        ++expectedNumber;
    }
    QCOMPARE(expectedNumber, count);
    QCOMPARE(end, fileSize);
    QVERIFY(queue.isEmpty());
}

void tst_PackPlan::resumeListCountsTheShortPackApart()
{
    const PackPlan plan(1300000, 512000);
    PackQueue queue(plan, {2}, {0});
    QCOMPARE(queue.packsToGoText(), "1 times 500.00 Kb and 269.53 Kb");
    QCOMPARE(queue.next(), plan.pack(2));
    QCOMPARE(queue.packsToGoText(), "1 times 500.00 Kb");
    QCOMPARE(queue.next(), plan.pack(1));
    QVERIFY(queue.isEmpty());
}

QTEST_GUILESS_MAIN(tst_PackPlan)
#include "tst_PackPlan.moc"
