#include "store/ElapsedRecord.h"
#include "store/FileIo.h"
#include "store/PackLog.h"
#include "store/ProjectPaths.h"
#include "store/ProjectRecord.h"
#include "store/StatsRecord.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray sampleText = "url:host.example/files/setup.exe\r\nbytes:1300000\r\n"
                              "path:/home/u/received/\r\npacksize:512000\r\nshowmodem:1\r\n"
                              "bar1back:16777215\r\nbar1for:255\r\nbar2back:16777215\r\n"
                              "bar2for:8421631\r\ngraphback:16777215\r\ngraphfor:8421631\r\n"
                              "graphmodem:0\r\nType:0\r\nstatus:1\r\n";

ProjectRecord sampleRecord()
{
    return ProjectRecord::parse(sampleText).value_or(ProjectRecord{});
}

} // namespace

class tst_ProjectFiles final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void projectRecordIsByteExactBothWays()
    {
        const auto parsed = ProjectRecord::parse(sampleText);
        QVERIFY(parsed);
        QCOMPARE(parsed->toText(), sampleText);
    }

    // Neither another key's text nor a line break in the URL can change what the record says.
    void urlHoldingOtherKeysKeepsTheStatusLine()
    {
        ProjectRecord record = sampleRecord();
        record.url = QStringLiteral("h/status:1/bytes:7/x\r\nstatus:0\r\n.zip");
        record.status = ProjectRecord::Finished;
        const auto parsed = ProjectRecord::parse(record.toText());
        QVERIFY(parsed);
        QCOMPARE(parsed->status, int(ProjectRecord::Finished));
        QCOMPARE(parsed->bytes, qint64(1300000));
        QCOMPARE(parsed->url, QStringLiteral("h/status:1/bytes:7/xstatus:0.zip"));

        const QByteArray running =
            ProjectRecord::withStatus(record.toText(), ProjectRecord::Running);
        QCOMPARE(running, QByteArray(record.toText()).replace("status:2\r\n", "status:0\r\n"));
    }

    void unreadableRecordsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("torn status") << sampleText.chopped(2);
        QTest::newRow("bytes not a number")
            << QByteArray(sampleText).replace("bytes:1300000", "bytes:1.3e6");
        QTest::newRow("status key inside a line")
            << QByteArray(sampleText).replace("status:1", "Xstatus:1");
        QTest::newRow("unknown status") << QByteArray(sampleText).replace("status:1", "status:7");
    }

    void unreadableRecordsAreRefused()
    {
        QFETCH(QByteArray, text);
        QVERIFY(!ProjectRecord::parse(text));
    }

    void elapsedRecordIsByteExact()
    {
        const ElapsedClock clock = ElapsedClock::fromSeconds(3600 + 3 * 60 + 5);
        QCOMPARE(clock.toText(), QByteArray("sec:5\r\nmin:3\r\nh:1\r\n"));
        QCOMPARE(ElapsedClock::parse("sec:5\r\nmin:3\r\nh:1\r\n"), clock);
        QVERIFY(!ElapsedClock::parse("sec:5\r\nmin:3\r\nh:1"));
        QVERIFY(!ElapsedClock::parse("sec:5\r\nmin:3\r\nh:2147483647\r\n"));
    }

    void statsRecordIsByteExact()
    {
        StatsRecord stats{QStringLiteral("00:01:05"),
                          QStringLiteral("120.50 Kb/s"),
                          QStringLiteral("964 Kbit/s"),
                          QString(),
                          QString(),
                          QStringLiteral("80.00 Kb/s"),
                          QStringLiteral("640 Kbit/s")};
        const QByteArray text = "Time:00:01:05\r\nHspeed:120.50 Kb/s | 964 Kbit/s\r\n"
                                "Lspeed: | \r\nMspeed:80.00 Kb/s | 640 Kbit/s\r\n";
        QCOMPARE(stats.toText(), text);
        const auto parsed = StatsRecord::parse(text);
        QVERIFY(parsed);
        QCOMPARE(parsed->toText(), text);
    }

    void packLogLinesAndStates()
    {
        PackLog log(logPath());
        const QString r = QStringLiteral("/dl/my (1)/setup/");
        const auto piece = [&r](qint64 n) {
            return ProjectPaths::piecePath(r, QStringLiteral("setup"), n);
        };
        QVERIFY(log.appendComplete(piece(0)));
        QCOMPARE(log.logPartials({piece(0), piece(1), piece(12), piece(1)}),
                 QStringList({piece(1), piece(12)}));
        QVERIFY(log.appendComplete(piece(2)));
        QCOMPARE(
            *FileIo::read(log.path()),
            QByteArray("/dl/my (1)/setup/setup(0).qfd:1\r\n/dl/my (1)/setup/setup(1).qfd:0\r\n"
                       "/dl/my (1)/setup/setup(12).qfd:0\r\n/dl/my (1)/setup/setup(2).qfd:1\r\n"));
        QCOMPARE(log.parse().complete, QList<qint64>({0, 2}));
        QCOMPARE(log.parse().partial, QList<qint64>({1, 12}));

        QVERIFY(!log.takePartial(piece(0)));
        QVERIFY(log.takePartial(piece(12)));
        QVERIFY(log.forget(piece(0)));
        QCOMPARE(log.parse().complete, QList<qint64>({2}));
        QVERIFY(log.removePartials());
        QCOMPARE(*FileIo::read(log.path()), QByteArray("/dl/my (1)/setup/setup(2).qfd:1\r\n"));
    }

    void tornLastLineIsIgnoredThenCut()
    {
        PackLog log(logPath());
        const QByteArray longTorn = "/r/a(" + QByteArray(9000, '7');
        QVERIFY(
            FileIo::writeAtomically(log.path(), "/r/a(0).qfd:1\r\n/r/a(1).qfd:1\r\n" + longTorn));
        QCOMPARE(log.parse().complete, QList<qint64>({0, 1}));
        QVERIFY(log.appendComplete(QStringLiteral("/r/a(2).qfd")));
        QCOMPARE(*FileIo::read(log.path()),
                 QByteArray("/r/a(0).qfd:1\r\n/r/a(1).qfd:1\r\n/r/a(2).qfd:1\r\n"));

        QVERIFY(FileIo::writeAtomically(log.path(), "/r/a(3).qf"));
        QVERIFY(log.appendComplete(QStringLiteral("/r/a(4).qfd")));
        QCOMPARE(*FileIo::read(log.path()), QByteArray("/r/a(4).qfd:1\r\n"));
    }

private:
    QString logPath() const
    {
        return m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) +
                              QStringLiteral(".qfd"));
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_ProjectFiles)
#include "tst_ProjectFiles.moc"
