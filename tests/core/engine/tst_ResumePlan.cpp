#include "TestFiles.h"
#include "engine/Assembler.h"
#include "engine/Backoff.h"
#include "engine/JoinDigest.h"
#include "engine/PackPiece.h"
#include "engine/PackQueue.h"
#include "engine/ResumePlan.h"
#include "progress/RunCaptions.h"
#include "store/ChecksumRecord.h"
#include "store/FileIo.h"
#include "store/ProjectPaths.h"

#include <QLocale>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

// How a file is cut into packs, what a resume start makes of a pack log and the pieces on disk,
// the order in which the packs still to fetch go out to the slots, and how long a failed
// connection or an interrupted download waits before it is tried again.
class tst_ResumePlan final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cutsFilesBeyond32Bits();
    void plansFromTheLog_data();
    void plansFromTheLog();
    void shortPiecesAreNeverTrusted();
    void joinTrustsOnlyWhatItJoined_data();
    void joinTrustsOnlyWhatItJoined();
    void waitsDoubleUpToTheirCeiling();
};

constexpr qint64 PackSize = 100;
using Pieces = QMap<qint64, qint64>; // piece lengths by pack number
using Numbers = QList<qint64>;

// Sizes beyond 32 bits: 9765 whole packs of 500 Kb, then the rest in a short one. A file of
// whole packs has no short one.
void tst_ResumePlan::cutsFilesBeyond32Bits()
{
    QCOMPARE(RunCaptions::packsText(PackPlan(512000, 512000).packs()), "1 times 500.00 Kb");
    const PackPlan plan(5000000000, 512000);
    QCOMPARE(RunCaptions::packsText(plan.packs()), "9765 times 500.00 Kb and 312.50 Kb");
    QCOMPARE(plan.pack(9765), (Pack{9765, 4999680000, 320000}));
    PackQueue queue(plan);
    QCOMPARE(queue.next(), plan.pack(0));
    QCOMPARE(RunCaptions::packsText(queue.left()), "9764 times 500.00 Kb and 312.50 Kb");
}

void tst_ResumePlan::plansFromTheLog_data()
{
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<Numbers>("complete"); // ":1" lines, in log order
    QTest::addColumn<Numbers>("partial");  // ":0" lines, in log order
    QTest::addColumn<Pieces>("pieces");
    QTest::addColumn<qint64>("workLength");
    QTest::addColumn<qint64>("joined");
    QTest::addColumn<qint64>("completeBytes");
    QTest::addColumn<Numbers>("begunHave"); // the bytes each begun pack holds
    QTest::addColumn<Numbers>("foundWhole");
    QTest::addColumn<Numbers>("queueOrder");
    QTest::addColumn<QString>("packsToGo"); // once the first pack went out

    // Begun packs go first in log order, then the others; complete wins over begun; a begun
    // piece already whole counts as complete.
    QTest::newRow("repeats and packs outside the plan ignored")
        << qint64(550) << Numbers{1, 1, 3, 12} << Numbers{3, 4, 2, 2, 5, 0, 6}
        << Pieces{{2, 10}, {3, 50}, {4, 20}, {5, 50}} << qint64(0) << qint64(0) << qint64(250)
        << Numbers{20, 10, 0} << Numbers{5} << Numbers{4, 2, 0} << "2 times 100 Bytes";
    QTest::newRow("begun short pack")
        << qint64(250) << Numbers{0} << Numbers{2} << Pieces{{2, 20}} << qint64(0) << qint64(0)
        << qint64(100) << Numbers{20} << Numbers{} << Numbers{2, 1} << "1 times 100 Bytes";
    // Joined: logged complete, piece gone, whole in the work file. A piece still there ends them
    // (killed before it was deleted), and so do the bytes the work file holds.
    QTest::newRow("joined packs, a piece left")
        << qint64(550) << Numbers{0, 1, 2, 3} << Numbers{4} << Pieces{{2, 100}, {4, 30}}
        << qint64(360) << qint64(2) << qint64(400) << Numbers{30} << Numbers{} << Numbers{4, 5}
        << "0 times 100 Bytes and 50 Bytes";
    QTest::newRow("joined packs, work file short")
        << qint64(250) << Numbers{0, 1, 2} << Numbers{} << Pieces{} << qint64(150) << qint64(1)
        << qint64(250) << Numbers{} << Numbers{} << Numbers{} << QString();
}

void tst_ResumePlan::plansFromTheLog()
{
    QFETCH(qint64, fileSize);
    QFETCH(Numbers, complete);
    QFETCH(Numbers, partial);
    QFETCH(Pieces, pieces);
    QFETCH(qint64, workLength);
    const PackPlan plan(fileSize, PackSize);
    const ResumePlan resume(
        plan, {complete, partial},
        [&pieces](qint64 pack) {
            return pieces.contains(pack) ? std::optional(pieces.value(pack)) : std::nullopt;
        },
        workLength);

    QTEST(resume.joined(), "joined");
    QTEST(resume.completeBytes(), "completeBytes");
    QTEST(resume.foundWhole(), "foundWhole");
    Numbers begun, have;
    for (const ResumePlan::Begun &pack : resume.begun()) {
        begun << pack.number;
        have << pack.have;
    }
    QTEST(have, "begunHave");

    PackQueue queue(plan, begun, resume.complete());
    Numbers order;
    while (const std::optional<Pack> pack = queue.next()) {
        if (order.isEmpty())
            QTEST(RunCaptions::packsText(queue.left()), "packsToGo");
        order << pack->number;
    }
    QTEST(order, "queueOrder");
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
    QCOMPARE(Assembler(plan, receive, QStringLiteral("f")).unusablePieces(0, 3),
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

void tst_ResumePlan::joinTrustsOnlyWhatItJoined_data()
{
    QTest::addColumn<qint64>("workLength"); // of "final.qfd" once packs 0 and 1 are in; -1: kept
    QTest::addColumn<qint64>("joined");     // 2: the last piece is gone
    // Left so by a stopped append: cut back to the packs joined for good.
    QTest::newRow("work file left long") << qint64(260) << qint64(3);
    // It lost bytes whose pieces are gone: cut back to the packs it holds whole, never padded.
    QTest::newRow("work file cut short") << qint64(150) << qint64(1);
    // The join stops there, and what it joined before stays joined.
    QTest::newRow("piece gone") << qint64(-1) << qint64(2);
    // The program started again: its digest reads what the work file holds before going on.
    QTest::newRow("after a restart") << qint64(-1) << qint64(3);
}

// Joined in two steps, as packs 0 and 1 are in early, the second by the next run: each piece goes
// once joined, the work file holds exactly the leading packs reported, and its digest went through
// every byte of it once.
void tst_ResumePlan::joinTrustsOnlyWhatItJoined()
{
    QFETCH(qint64, workLength);
    QFETCH(qint64, joined);
    QTemporaryDir folder;
    const QString receive = folder.path() + QLatin1Char('/');
    const QByteArray bytes = TestFiles::randomBytes(250, 7);
    const PackPlan plan(bytes.size(), PackSize);
    for (qint64 pack = 0; pack < plan.count(); ++pack)
        QVERIFY(TestFiles::writeFile(ProjectPaths::piecePath(receive, "f", pack),
                                     bytes.mid(pack * PackSize, PackSize)));
    const QString record = folder.filePath("checksum.qfd");
    const Checksum expected{Checksum::Algorithm::Sha256, TestFiles::sha256(bytes)};
    const auto digest = std::make_shared<JoinDigest>(expected, record);
    const std::atomic_bool stop = false;
    const Assembler first(plan, receive, "f", digest);
    QCOMPARE(first.appendPieces(0, 2, stop).joined, 2);
    QCOMPARE(first.unusablePieces(0, 3), QList<Pack>({plan.pack(0), plan.pack(1)}));
    QFile work(ProjectPaths::finalWorkPath(receive));
    QVERIFY(workLength < 0 || work.resize(workLength));
    QVERIFY(joined != 2 || QFile::remove(ProjectPaths::piecePath(receive, "f", 2)));

    const auto next = std::make_shared<JoinDigest>(expected, record);
    const Assembler::Outcome outcome = Assembler(plan, receive, "f", next).appendPieces(2, 3, stop);
    QCOMPARE(outcome.joined, joined);
    QCOMPARE(outcome.fault.has_value(), joined == 2);
    QCOMPARE(TestFiles::sha256OfFile(work.fileName()), TestFiles::sha256(bytes.left(joined * 100)));
    if (joined < 3)
        return;
    QVERIFY(!next->conclude() && !next->isCorrupt());
    QCOMPARE(ChecksumRecord::parse(FileIo::read(record).value_or("")),
             (ChecksumRecord{expected, expected}));
}

// The wait doubles up to its ceiling, and a success starts it over.
void tst_ResumePlan::waitsDoubleUpToTheirCeiling()
{
    Backoff backoff(1000, 30000);
    for (int round = 0; round < 2; ++round) {
        QList<int> delays;
        for (int attempt = 0; attempt < 7; ++attempt)
            delays << backoff.next();
        QCOMPARE(delays, QList<int>({1000, 2000, 4000, 8000, 16000, 30000, 30000}));
        backoff.reset();
    }
}

QTEST_GUILESS_MAIN(tst_ResumePlan)
#include "tst_ResumePlan.moc"
