#include "TestFiles.h"
#include "engine/Assembler.h"
#include "engine/PackPiece.h"
#include "engine/PackQueue.h"
#include "engine/ResumePlan.h"
#include "store/ProjectPaths.h"

#include <QMap>
#include <QTemporaryDir>
#include <QTest>

// What a resume start makes of a pack log and the pieces on disk, and the order in which the
// packs still to fetch go out to the slots.
class tst_ResumePlan final : public QObject
{
    Q_OBJECT

private slots:
    void plansFromTheLog_data();
    void plansFromTheLog();
    void shortPiecesAreNeverTrusted();
};

namespace {

constexpr qint64 PackSize = 100;
using Pieces = QMap<qint64, qint64>; // piece lengths by pack number

} // namespace

void tst_ResumePlan::plansFromTheLog_data()
{
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<QList<qint64>>("complete"); // ":1" lines, in log order
    QTest::addColumn<QList<qint64>>("partial");  // ":0" lines, in log order
    QTest::addColumn<Pieces>("pieces");
    QTest::addColumn<qint64>("completeBytes");
    QTest::addColumn<QList<qint64>>("begunHave"); // the bytes each begun pack holds
    QTest::addColumn<QList<qint64>>("foundWhole");
    QTest::addColumn<QList<qint64>>("queueOrder");
    QTest::addColumn<QString>("packsToGo");

    using Numbers = QList<qint64>;
    QTest::newRow("packs 0 and 1 complete, 2 begun")
        << qint64(500) << Numbers{0, 1} << Numbers{2} << Pieces{{2, 40}} << qint64(200)
        << Numbers{40} << Numbers{} << Numbers{2, 3, 4} << "3 times 100 Bytes";
    QTest::newRow("begun short pack already whole")
        << qint64(250) << Numbers{} << Numbers{2} << Pieces{{2, 50}} << qint64(50) << Numbers{}
        << Numbers{2} << Numbers{0, 1} << "2 times 100 Bytes";
    QTest::newRow("begun pack without a piece")
        << qint64(300) << Numbers{} << Numbers{1} << Pieces{} << qint64(0) << Numbers{0}
        << Numbers{} << Numbers{1, 0, 2} << "3 times 100 Bytes";
    QTest::newRow("more begun packs than slots, in log order")
        << qint64(1000) << Numbers{} << Numbers{7, 2, 5, 1, 9}
        << Pieces{{7, 7}, {2, 2}, {5, 5}, {1, 1}, {9, 9}} << qint64(0) << Numbers{7, 2, 5, 1, 9}
        << Numbers{} << Numbers{7, 2, 5, 1, 9, 0, 3, 4, 6, 8} << "10 times 100 Bytes";
    QTest::newRow("complete wins, repeats and packs outside the plan ignored")
        << qint64(500) << Numbers{1, 1, 3, 12} << Numbers{3, 2, 2, 5} << Pieces{{2, 10}, {3, 50}}
        << qint64(200) << Numbers{10} << Numbers{} << Numbers{2, 0, 4} << "3 times 100 Bytes";
    QTest::newRow("every pack complete")
        << qint64(250) << Numbers{2, 0, 1} << Numbers{} << Pieces{} << qint64(250) << Numbers{}
        << Numbers{} << Numbers{} << "0 times 100 Bytes";
}

void tst_ResumePlan::plansFromTheLog()
{
    QFETCH(qint64, fileSize);
    QFETCH(QList<qint64>, complete);
    QFETCH(QList<qint64>, partial);
    QFETCH(Pieces, pieces);
    QFETCH(qint64, completeBytes);
    QFETCH(QList<qint64>, begunHave);
    QFETCH(QList<qint64>, foundWhole);
    QFETCH(QList<qint64>, queueOrder);
    QFETCH(QString, packsToGo);

    const PackPlan plan(fileSize, PackSize);
    const ResumePlan resume(plan, {complete, partial},
                            [&pieces](qint64 pack) { return pieces.value(pack, 0); });

    QCOMPARE(resume.completeBytes(), completeBytes);
    QList<qint64> begun;
    QList<qint64> have;
    for (const ResumePlan::Begun &pack : resume.begun()) {
        begun << pack.number;
        have << pack.have;
    }
    QCOMPARE(have, begunHave);
    QCOMPARE(resume.foundWhole(), foundWhole);
    qint64 received = completeBytes;
    for (const qint64 bytes : begunHave)
        received += bytes;
    QCOMPARE(resume.receivedBytes(), received);

    PackQueue queue(plan, begun, resume.complete());
    QCOMPARE(queue.packsToGoText(), packsToGo);
    QList<qint64> order;
    while (const std::optional<Pack> pack = queue.next()) {
        QCOMPARE(*pack, plan.pack(pack->number));
        order << pack->number;
    }
    QCOMPARE(order, queueOrder);
    QVERIFY(queue.isEmpty());
    // Together the complete packs and the queue cover every pack once.
    QCOMPARE(resume.complete().size() + order.size(), plan.count());
}

// A piece that holds less than was recorded for it: logged complete, its pack is fetched again
// before the join; begun, it is continued from the bytes it really holds, never padded.
void tst_ResumePlan::shortPiecesAreNeverTrusted()
{
    QTemporaryDir folder;
    const QString receive = folder.path() + QLatin1Char('/');
    const auto piece = [&receive](qint64 pack) {
        return ProjectPaths::piecePath(receive, QStringLiteral("f"), pack);
    };
    const PackPlan plan(250, PackSize);
    QVERIFY(TestFiles::writeFile(piece(0), QByteArray(100, 'a')));
    QVERIFY(TestFiles::writeFile(piece(1), QByteArray(30, 'b')));
    QVERIFY(TestFiles::writeFile(piece(2), QByteArray(50, 'c')));
    QCOMPARE(Assembler(plan, receive, QStringLiteral("f")).unusablePieces(),
             QList<Pack>{plan.pack(1)});

    PackPiece begun;
    begun.take(plan.pack(1), piece(1), 80); // 80 bytes when it was paused
    QVERIFY(begun.open());
    QCOMPARE(begun.nextOffset(), 130);
    QCOMPARE(begun.write(QByteArray(90, 'd').constData(), 90), 70);
    QVERIFY(begun.isComplete());
    begun.forget();
    QCOMPARE(TestFiles::sha256OfFile(piece(1)),
             TestFiles::sha256(QByteArray(30, 'b') + QByteArray(70, 'd')));
}

QTEST_GUILESS_MAIN(tst_ResumePlan)
#include "tst_ResumePlan.moc"
