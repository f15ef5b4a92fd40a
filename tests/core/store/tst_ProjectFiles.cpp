#include "store/ElapsedRecord.h"
#include "store/FileIo.h"
#include "store/FileNames.h"
#include "store/PackLog.h"
#include "store/ProjectNaming.h"
#include "store/ProjectPaths.h"
#include "store/ProjectRecord.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray sampleText = "url:host.example/files/setup.exe\r\nbytes:1300000\r\n"
                              "path:/home/u/received/\r\npacksize:512000\r\nshowmodem:1\r\n"
                              "bar1back:16777215\r\nbar1for:255\r\nbar2back:16777215\r\n"
                              "bar2for:8421631\r\ngraphback:16777215\r\ngraphfor:8421631\r\n"
                              "graphmodem:0\r\nType:0\r\nstatus:1\r\n";

} // namespace

// The names the program gives to files on disk, and the texts of the files it keeps.
class tst_ProjectFiles final : public QObject
{
    Q_OBJECT

private slots:
    // Names taken from outside text, and the paths and project names made of them, stay in
    // their folders. A project name is the text before the first dot; when that folder exists,
    // the seconds since midnight in the user's locale follow, then a counter.
    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QStringList taken{"setup", "setup_45296,17", "setup_45296,17_2"};
        const auto project = [&taken](const QString &fileName) {
            return chooseProjectName(
                fileName, QTime(12, 34, 56, 170),
                [&taken](const QString &name) { return taken.contains(name); }, QLocale("de_DE"));
        };
        QTest::newRow("parent") << FileNames::safe("..") << "download";
        QTest::newRow("empty") << FileNames::safe("") << "download";
        QTest::newRow("climbing") << FileNames::safe("..\\../evil.dll") << ".._.._evil.dll";
        QTest::newRow("refused, control and lone surrogate characters")
            << FileNames::safe(QString("a<b>c\"d|e?f*g") + QChar(1) + "\t\n" + QChar(0x7f) +
                               QChar(0x85) + QChar(0xd800))
            << "a_b_c_d_e_f_g______";
        QTest::newRow("trailing dots and spaces, accents kept")
            << FileNames::safe(QStringLiteral("r\u00e9sum\u00e9. . ")) << "r\u00e9sum\u00e9";
        QTest::newRow("final file") << ProjectPaths::finalFilePath("/dl", "../.p") << "/dl/.._.p";
        QTest::newRow("receive folder")
            << ProjectPaths::receiveFolder("/dl", "..") << "/dl/download/";
        QTest::newRow("snapshot") << ProjectPaths("/data").snapshotPath("a/../b", "setup", 2, 0)
                                  << "/data/projects/a_.._b/setup(2_0).jpg";
        QTest::newRow("project: first dot, separator") << project("a/b.tar.gz") << "a_b";
        QTest::newRow("project: leading dot") << project(".bashrc") << "download";
        QTest::newRow("project: folder and suffix taken")
            << project("setup.exe") << "setup_45296,17_3";
    }

    void names()
    {
        QFETCH(QString, name);
        QTEST(name, "expected");
    }

    // The record reads back byte for byte; neither another key's text nor a line break in the
    // URL can change what it says.
    void recordKeepsItsLines()
    {
        const auto sample = ProjectRecord::parse(sampleText);
        QVERIFY(sample);
        QCOMPARE(sample->toText(), sampleText);
        ProjectRecord record = *sample;
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

    // The pack number follows the last "(". A torn last line, left by a crash during an
    // append, is ignored, then cut by the next append.
    void packLogLinesAndStates()
    {
        QTemporaryDir dir;
        PackLog log(dir.filePath(QStringLiteral("download.qfd")));
        const auto piece = [](int n) { return QStringLiteral("/r (1)/a(%1).qfd").arg(n); };
        QVERIFY(log.appendComplete(piece(0)));
        QCOMPARE(log.logPartials({piece(0), piece(1), piece(12), piece(1)}),
                 QStringList({piece(1), piece(12)}));
        QVERIFY(FileIo::writeAtomically(log.path(), *FileIo::read(log.path()) + "/r/a(7).qfd:1"));
        QCOMPARE(log.parse().complete, QList<qint64>({0}));
        QVERIFY(log.appendComplete(piece(2)));
        QCOMPARE(*FileIo::read(log.path()),
                 QByteArray("/r (1)/a(0).qfd:1\r\n/r (1)/a(1).qfd:0\r\n"
                            "/r (1)/a(12).qfd:0\r\n/r (1)/a(2).qfd:1\r\n"));
        QCOMPARE(log.parse().complete, QList<qint64>({0, 2}));
        QCOMPARE(log.parse().partial, QList<qint64>({1, 12}));

        QVERIFY(!log.takePartial(piece(0)));
        QVERIFY(log.takePartial(piece(12)));
        QVERIFY(log.forget(piece(0)));
        QVERIFY(log.removePartials());
        QCOMPARE(*FileIo::read(log.path()), QByteArray("/r (1)/a(2).qfd:1\r\n"));

        QVERIFY(FileIo::writeAtomically(log.path(), "/r/a(3).qfd:1"));
        QVERIFY(log.appendComplete(piece(4)));
        QCOMPARE(*FileIo::read(log.path()), QByteArray("/r (1)/a(4).qfd:1\r\n"));
    }
};

QTEST_GUILESS_MAIN(tst_ProjectFiles)
#include "tst_ProjectFiles.moc"
