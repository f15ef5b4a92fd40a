#include "engine/PackPlan.h"
#include "engine/PackQueue.h"

#include <QLocale>
#include <QTest>

// How a file is cut into packs of 500 Kb, the order they go out in, and the captions that count
// them: whole packs, the short last pack, and sizes beyond 32 bits.
class tst_PackPlan final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void queueCoversTheFileInOrder_data();
    void queueCoversTheFileInOrder();
    void resumeListCountsTheShortPackApart();
};

namespace {
constexpr qint64 P = 512000;
}

void tst_PackPlan::queueCoversTheFileInOrder_data()
{
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<qint64>("shortLength");
    QTest::addColumn<QString>("planText");
    QTest::addColumn<QStringList>("toGo"); // the caption after each of the first packs goes out

    QTest::newRow("one byte") << qint64(1) << qint64(1) << "0 times 500.00 Kb and 1 Bytes"
                              << QStringList{"0 times 500.00 Kb"};
    QTest::newRow("exactly one pack")
        << P << qint64(0) << "1 times 500.00 Kb" << QStringList{"0 times 500.00 Kb"};
    QTest::newRow("one pack plus one byte")
        << P + 1 << qint64(1) << "1 times 500.00 Kb and 1 Bytes"
        << QStringList{"0 times 500.00 Kb and 1 Bytes", "0 times 500.00 Kb"};
    QTest::newRow("five thousand million bytes")
        << qint64(5000000000) << qint64(320000) << "9765 times 500.00 Kb and 312.50 Kb"
        << QStringList{"9764 times 500.00 Kb and 312.50 Kb", "9763 times 500.00 Kb and 312.50 Kb"};
    QTest::newRow("empty file") << qint64(0) << qint64(0) << "0 times 500.00 Kb" << QStringList{};
}

// Packs come out numbered 0, 1, 2 ..., each starting where the previous ended, all of the pack
// size but a short last one, and together exactly the file.
void tst_PackPlan::queueCoversTheFileInOrder()
{
    QFETCH(qint64, fileSize);
    QFETCH(qint64, shortLength);
    QFETCH(QStringList, toGo);

    const PackPlan plan(fileSize, P);
    QTEST(plan.planText(), "planText");
    PackQueue queue(plan);
    qint64 number = 0;
    qint64 end = 0;
    while (const std::optional<Pack> pack = queue.next()) {
        const bool isShort = end + P > fileSize;
        QCOMPARE(*pack, (Pack{number, end, isShort ? shortLength : P}));
        if (number < toGo.size())
            QCOMPARE(queue.packsToGoText(), toGo.at(number));
        end += pack->length;
        ++number;
    }
    QCOMPARE(number, plan.count());
    QCOMPARE(end, fileSize);
}

void tst_PackPlan::resumeListCountsTheShortPackApart()
{
    const PackPlan plan(1300000, P);
    PackQueue queue(plan, {2}, {0});
    QCOMPARE(queue.packsToGoText(), "1 times 500.00 Kb and 269.53 Kb");
    QCOMPARE(queue.next(), plan.pack(2));
    QCOMPARE(queue.packsToGoText(), "1 times 500.00 Kb");
    QCOMPARE(queue.next(), plan.pack(1));
    QVERIFY(queue.isEmpty());
}

QTEST_GUILESS_MAIN(tst_PackPlan)
#include "tst_PackPlan.moc"
