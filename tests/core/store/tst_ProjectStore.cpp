#include "TestFiles.h"
#include "TestHome.h"

#include "store/ElapsedRecord.h"
#include "store/FileIo.h"
#include "store/FileNames.h"
#include "store/JoinedRecord.h"
#include "store/Netrc.h"
#include "store/PackLog.h"
#include "store/ProjectNaming.h"
#include "store/ProjectStore.h"

#include <QDir>
#include <QTest>

#include <sys/mount.h>

using Entries = QList<ProjectEntry>;

// The project store: its list operations, the names it gives files on disk and the texts of
// the files it keeps.
class tst_ProjectStore final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (QTest::currentDataTag()) // the table checks names and paths: no store needed
            return;
        m_home.emplace();
        m_store.emplace(m_home->dataFolder());
    }

    // The list holds finished projects first, then the running one, then the queue; a reload
    // finds each project where the records say, with its size.
    void listOperationsRewriteTheListFinishedFirst()
    {
        for (const char *name : {"w1", "w2", "w3", "done"})
            QVERIFY(create(QLatin1String(name), 5'000'000'000));
        QVERIFY(!create(QStringLiteral("w2")));
        QVERIFY(m_store->startNextWaiting());
        QVERIFY(m_store->finishRunning());
        QVERIFY(m_store->startNextWaiting());
        QVERIFY(!m_store->startNextWaiting());

        QVERIFY(!m_store->moveWaiting(1, 2));

        QVERIFY(m_store->finishRunning());
        QVERIFY(m_store->deleteFinished(0));
        QCOMPARE(mainList(), QByteArray("w2\r\nw3\r\ndone\r\n"));
        QVERIFY(!QFileInfo::exists(m_store->paths().projectFolder(QStringLiteral("w1"))));
        QVERIFY(!m_store->deleteFinished(1));

        ProjectStore reloaded(m_home->dataFolder());
        reloaded.load();
        QCOMPARE(reloaded.finished(), (Entries{{"w2", "h/w2", 5'000'000'000}}));
        QCOMPARE(reloaded.waiting(), m_store->waiting());
    }

    // Each record that cannot be read (torn, missing, a value out of range) is named,
    // and keeps its line in the list.
    void loadingSkipsWhatCannotBeRead()
    {
        for (const char *name : {"done", "live", "w1", "w2", "cut"})
            QVERIFY(create(QLatin1String(name)));
        QVERIFY(m_store->rewriteStatus(QStringLiteral("done"), ProjectRecord::Finished));
        QVERIFY(m_store->rewriteStatus(QStringLiteral("live"), ProjectRecord::Running));
        const QByteArray good = *FileIo::read(m_store->paths().recordPath(QStringLiteral("w1")));
        const QList<std::pair<QString, QByteArray>> broken{
            {"torn", good.chopped(2)},
            {"nan", QByteArray(good).replace("bytes:1\r\n", "bytes:1.3e6\r\n")},
            {"seven", QByteArray(good).replace("status:1", "status:7")}};
        for (const auto &[name, text] : broken)
            write(QStringLiteral("projects/%1/project.qfd").arg(name), text);
        write("projects/main.qfd", "done\r\ntorn\r\nnan\r\nseven\r\nmissing\r\n..\r\nlive\r\n"
                                   "done\r\ntorn\r\nw1\r\nw2\r\ncut");
        m_store->load();
        m_store->load(); // a second load starts from empty lists
        QCOMPARE(m_store->finished(), (Entries{{"done", "h/done", 1}}));
        QCOMPARE(m_store->running(), (Entries{{"live", "h/live", 1}}));
        QCOMPARE(m_store->waiting(), (Entries{{"w1", "h/w1", 1}, {"w2", "h/w2", 1}}));
        QStringList unreadable{m_store->paths().mainListPath()};
        for (const char *name : {"torn", "nan", "seven", "missing"})
            unreadable.append(m_store->paths().recordPath(QLatin1String(name)));
        QCOMPARE(m_store->unreadableFiles(), unreadable);

        QVERIFY(m_store->moveWaiting(1, 0));
        QCOMPARE(mainList(),
                 QByteArray("done\r\nlive\r\nw2\r\nw1\r\ntorn\r\nnan\r\nseven\r\nmissing\r\n"));
    }

    // Cancelling removes exactly its own line: names that hold it before or after stay whole.
    void cancellingRemovesOnlyItsOwnLine()
    {
        for (const char *name : {"my_setup", "setup_1", "setup", "setup_12"})
            QVERIFY(create(QLatin1String(name)));
        write(QStringLiteral("projects/setup/download.qfd"), "x\r\n");
        QVERIFY(m_store->cancel(QStringLiteral("setup")));
        QCOMPARE(mainList(), QByteArray("my_setup\r\nsetup_1\r\nsetup_12\r\n"));
        QVERIFY(!QFileInfo::exists(m_store->paths().projectFolder(QStringLiteral("setup"))));
        QVERIFY(QFileInfo::exists(m_store->paths().recordPath(QStringLiteral("setup_1"))));
    }

    // A login never stays where others can read it: a new project keeps it in a private file of
    // its own with the browser's headers; one that an earlier version wrote into a record's URL
    // moves there (and goes, from a finished project). Finishing forgets it.
    void loginsLeaveTheRecord()
    {
        const ProjectAccess access{{"an@na", "se:cret"}, {"s=1", "https://h/", "UA"}};
        ProjectRecord record;
        for (const QString url :
             {"h/new", "https://an%40na:se%3Acret@h/old", "an%40na:se@h/done"}) {
            record.url = url;
            QVERIFY(m_store->createProject(url.section(u'/', -1), record, {}, {}, {},
                                           url == "h/new" ? access : ProjectAccess()));
        }
        QVERIFY(m_store->rewriteStatus("done", ProjectRecord::Finished));
        m_store->load();
        QCOMPARE(m_store->waiting(), (Entries{{"new", "h/new", 0}, {"old", "https://h/old", 0}}));
        QCOMPARE(m_store->finished(), (Entries{{"done", "h/done", 0}}));
        QCOMPARE(m_store->access("new"), access);
        QCOMPARE(m_store->access("old").login, access.login);
        QCOMPARE(
            TestFiles::filesHolding(m_home->root(), "cret"),
            QStringList({"data/projects/new/access.qfd 600", "data/projects/old/access.qfd 600"}));
        QVERIFY(m_store->forgetAccess("new") &&
                !QFileInfo::exists(m_store->paths().accessPath("new")));
    }

    // ~/.netrc: the host's first entry, whatever the letter case, else "default"; quoted words,
    // comments and macro bodies are read as curl reads them.
    void netrcLogins_data()
    {
        QTest::addColumn<QByteArray>("netrc");
        QTest::addColumn<QString>("login"); // "user:password", or "none"
        QTest::newRow("first entry of the host")
            << QByteArray("machine H.test login a password b\nmachine h.test login c") << "a:b";
        QTest::newRow("default") << QByteArray("machine x login a\ndefault login c password d")
                                 << "c:d";
        QTest::newRow("quoted, comment, macro")
            << QByteArray("# machine h.test login x\nmacdef i\nmachine h.test login y\n\n"
                          "machine h.test login \"a b\" password \"c\\\"d\"")
            << "a b:c\"d";
        QTest::newRow("none") << QByteArray("machine x login a password b") << "none";
        QTest::newRow("default, for a web server")
            << QByteArray("default login c password d") << "none";
    }

    void netrcLogins()
    {
        QFETCH(QByteArray, netrc);
        const bool ftp = !QByteArray(QTest::currentDataTag()).contains("web");
        const std::optional<Login> login = Netrc::loginFor(netrc, "h.test", ftp);
        QTEST(login ? login->user + u':' + login->password : "none", "login");
    }

    void namesCannotReachOutsideTheStore()
    {
        const QString outside = m_home->root() + QStringLiteral("outside/");
        QVERIFY(QDir().mkpath(outside + QStringLiteral("project.qfd")));
        write(QStringLiteral("../outside/keep.txt"), "keep");
        for (const QString name : {"../outside", "..", "", "a/b", "trailing. "})
            QVERIFY2(!create(name), qPrintable(name));
        const auto entries = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(m_store->paths().projectsFolder()).entryList(entries), QStringList{});
        QCOMPARE(QDir(outside).entryList(entries), QStringList({"keep.txt", "project.qfd"}));

        // A project folder replaced by a link: cancelling removes the link, not what it names.
        QVERIFY(create(QStringLiteral("linked")));
        const QString folder = m_store->paths().projectFolder(QStringLiteral("linked"));
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile::link(outside, folder.chopped(1)));
        QVERIFY(m_store->cancel(QStringLiteral("linked")));
        QVERIFY(!QFileInfo(folder.chopped(1)).isSymLink());
        QCOMPARE(FileIo::read(outside + QStringLiteral("keep.txt")), QByteArray("keep"));
    }

    // Nothing the disk cannot hold replaces what it holds: the list and the records stay whole.
    void fullDiskKeepsEveryProject()
    {
        const QString folder = m_home->dataFolder();
        if (mount("quillfetch-test", qPrintable(folder), "tmpfs", 0, "size=64k") != 0)
            QSKIP(qPrintable("mounting a tmpfs is not allowed here: " + qt_error_string(errno)));
        const auto unmount = qScopeGuard([&folder] { umount(qPrintable(folder)); });
        for (const char *name : {"w1", "w2", "w3"})
            QVERIFY(create(QLatin1String(name)));
        const QByteArray record = FileIo::read(m_store->paths().recordPath("w1")).value();
        QFile filler(folder + QStringLiteral("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(512, 'x')) == 512) {
        }

        QVERIFY(!create(QStringLiteral("late")));
        QVERIFY(!m_store->moveWaiting(0, 2));
        QVERIFY(!m_store->startNextWaiting());
        QCOMPARE(m_store->waiting(),
                 (Entries{{"w1", "h/w1", 1}, {"w2", "h/w2", 1}, {"w3", "h/w3", 1}}));
        QCOMPARE(mainList(), QByteArray("w1\r\nw2\r\nw3\r\n"));
        QCOMPARE(FileIo::read(m_store->paths().recordPath("w1")).value(), record);
    }

    // Names taken from outside text, and the paths and project names made of them, stay in
    // their folders. A project name is the text before the first dot; when that folder exists,
    // the seconds since midnight in the user's locale follow, then a counter.
    void namesOnDisk_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QStringList taken{"setup", "setup_45296,17", "setup_45296,17_2"};
        const auto project = [&taken](const QString &fileName) {
            return chooseProjectName(
                fileName, QTime(12, 34, 56, 170),
                [&taken](const QString &name) { return taken.contains(name); }, QLocale("de_DE"));
        };
        QTest::newRow("refused, control and lone surrogate characters; trailing dots and spaces")
            << FileNames::safe(QString("\u00e9<b>c\"d|e?f*g") + QChar(1) + "\t\n" + QChar(0x7f) +
                               QChar(0x85) + QChar(0xd800) + ". . ")
            << "\u00e9_b_c_d_e_f_g______";
        QTest::newRow("final file") << ProjectPaths::finalFilePath("/dl", "../.p") << "/dl/.._.p";
        QTest::newRow("receive folder")
            << ProjectPaths::receiveFolder("/dl", "..") << "/dl/download/";
        QTest::newRow("project: first dot, separator") << project("a/b.tar.gz") << "a_b";
        QTest::newRow("project: folder and suffix taken")
            << project("setup.exe") << "setup_45296,17_3";
        // The finished file is as free as its project's name.
        QTest::newRow("final file: project suffix before the first dot")
            << finalFileName("setup.tar.gz", "setup_45296,17") << "setup_45296,17.tar.gz";
        QTest::newRow("final file: no dot, project not named after it")
            << finalFileName("README", "READ_1", "_2") << "README_2";
    }

    void namesOnDisk()
    {
        QFETCH(QString, name);
        QTEST(name, "expected");
    }

    // Neither another key's text nor a line break in a value can change what the record says,
    // nor what a new status replaces; a record read and written again reads back the same.
    void recordKeepsItsLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("url");
        ProjectRecord record;
        record.bytes = 1300000;
        record.url = QStringLiteral("h/status:1/bytes:7/x\r\nstatus:2\r\n.zip");
        QTest::newRow("keys and CR LF in the URL")
            << record.toText() << "h/status:1/bytes:7/xstatus:2.zip";
        record.url = QStringLiteral("h/a.zip");
        QTest::newRow("lone CR and LF in values")
            << record.toText().replace("h/a", "h/\ra\n").replace("Type:0", "Type:\r0") << "h/a.zip";
        QTest::newRow("a status line before its place")
            << record.toText().replace("bytes:", "status:2\r\nbytes:") << "h/a.zip";
    }

    void recordKeepsItsLines()
    {
        QFETCH(QByteArray, text);
        const auto read = ProjectRecord::parse(text);
        QVERIFY(read);
        QTEST(read->url, "url");
        QVERIFY(ProjectRecord::parse(read->toText()) == read);
        ProjectRecord running = *read;
        running.status = ProjectRecord::Running;
        QVERIFY(ProjectRecord::parse(ProjectRecord::withStatus(text, ProjectRecord::Running)) ==
                running);
    }

    void joinedRecordReadsOnlyWhatItWrites_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        const QByteArray whole =
            JoinedRecord{{2049, 18446744073709551615u, 1300000, -5}, "s\u00e9tup_1.exe"}.toText();
        QTest::newRow("whole") << whole << true;
        QTest::newRow("torn") << whole.chopped(1) << false;
        QTest::newRow("negative size") << QByteArray(whole).replace("bytes:", "bytes:-") << false;
        QTest::newRow("inode too large") << QByteArray(whole).replace("inode:", "inode:9") << false;
        QTest::newRow("name leaves its folder")
            << QByteArray(whole).replace("name:", "name:../") << false;
        QTest::newRow("name longer than a file system takes")
            << QByteArray(whole).replace("name:", "name:" + QByteArray(300, 'a')) << false;
    }

    void joinedRecordReadsOnlyWhatItWrites()
    {
        QFETCH(QByteArray, text);
        const std::optional<JoinedRecord> record = JoinedRecord::parse(text);
        QTEST(record.has_value(), "valid");
        QVERIFY(!record || record->toText() == text);
    }

    void elapsedRecordIsByteExact()
    {
        QCOMPARE((ElapsedClock{1, 3, 5}.toText()), QByteArray("sec:5\r\nmin:3\r\nh:1\r\n"));
        QVERIFY(!ElapsedClock::parse("sec:5\r\nmin:3\r\nh:2147483647\r\n"));
    }

    // The pack number follows the last "(". A torn last line, left by a crash during an
    // append, is ignored, then cut by the next append.
    void packLogLinesAndStates()
    {
        PackLog log(m_home->root() + QStringLiteral("download.qfd"));
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

        QVERIFY(log.forget({piece(0)}));
        QVERIFY(log.removePartials());
        QCOMPARE(*FileIo::read(log.path()), QByteArray("/r (1)/a(2).qfd:1\r\n"));
    }

private:
    bool create(const QString &name, qint64 bytes = 1)
    {
        ProjectRecord record;
        record.url = QStringLiteral("h/") + name;
        record.bytes = bytes;
        return m_store->createProject(name, record);
    }

    void write(const QString &relative, const QByteArray &bytes)
    {
        const QString path = m_home->dataFolder() + relative;
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QVERIFY(FileIo::writeAtomically(path, bytes));
    }

    QByteArray mainList() const
    {
        return FileIo::read(m_store->paths().mainListPath()).value_or("<missing>");
    }

    std::optional<TestHome> m_home;
    std::optional<ProjectStore> m_store;
};

QTEST_GUILESS_MAIN(tst_ProjectStore)
#include "tst_ProjectStore.moc"
