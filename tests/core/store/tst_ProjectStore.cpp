#include "TestHome.h"

#include "store/FileIo.h"
#include "store/ProjectStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

#include <sys/mount.h>

namespace {

ProjectRecord recordFor(const QString &url, qint64 bytes, int status = ProjectRecord::Waiting)
{
    ProjectRecord record;
    record.url = url;
    record.bytes = bytes;
    record.status = status;
    return record;
}

QStringList names(const QList<ProjectEntry> &list)
{
    QStringList result;
    for (const ProjectEntry &entry : list)
        result.append(entry.name);
    return result;
}

// Every file and folder below root, with the contents of the files.
QStringList treeOf(const QString &root)
{
    QStringList tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.append(path + QLatin1Char('=') +
                    QString::fromUtf8(FileIo::read(path).value_or(QByteArray())));
    }
    tree.sort();
    return tree;
}

} // namespace

class tst_ProjectStore final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_home.emplace();
        QVERIFY(m_home->isValid());
        m_store.emplace(m_home->dataFolder());
    }

    void createdProjectsLoadBackInQueueOrder()
    {
        QVERIFY(create(QStringLiteral("big"), 5'000'000'000));
        QVERIFY(create(QStringLiteral("small"), 10));
        QVERIFY(!create(QStringLiteral("small")));
        QCOMPARE(mainList(), QByteArray("big\r\nsmall\r\n"));

        ProjectStore reloaded(m_home->dataFolder());
        reloaded.load();
        const QList<ProjectEntry> expected{{"big", "h/big", 5'000'000'000},
                                           {"small", "h/small", 10}};
        QCOMPARE(reloaded.waiting(), expected);
    }

    void loadingSkipsWhatCannotBeRead()
    {
        write(QStringLiteral("projects/done/project.qfd"),
              recordFor(QStringLiteral("h/status:1/a.zip"), 1, ProjectRecord::Finished).toText());
        write(QStringLiteral("projects/live/project.qfd"),
              recordFor(QStringLiteral("h/b.zip"), 2, 0).toText());
        write(QStringLiteral("projects/broken/project.qfd"), "url:h/c.zip\r\nbytes:");
        for (const char *name : {"w1", "w2", "torn"}) {
            const QString folder =
                QStringLiteral("projects/%1/project.qfd").arg(QLatin1String(name));
            write(folder, recordFor(QStringLiteral("h/w"), 4).toText());
        }
        write(QStringLiteral("projects/main.qfd"),
              "done\r\nbroken\r\nmissing\r\n..\r\nlive\r\ndone\r\nw1\r\nw2\r\ntorn");
        m_store->load();
        m_store->load(); // a second load starts from empty lists
        QCOMPARE(names(m_store->finished()), QStringList{"done"});
        QCOMPARE(names(m_store->running()), QStringList{"live"});
        QCOMPARE(names(m_store->waiting()), QStringList({"w1", "w2"}));
        const ProjectPaths &paths = m_store->paths();
        QCOMPARE(m_store->unreadableFiles(),
                 QStringList({paths.mainListPath(), paths.recordPath("broken"),
                              paths.recordPath("missing")}));

        // Projects whose record could not be read keep their line; unsafe names do not.
        QVERIFY(m_store->moveWaiting(1, 0));
        QCOMPARE(mainList(), QByteArray("done\r\nlive\r\nw2\r\nw1\r\nbroken\r\nmissing\r\n"));
    }

    void movesAndDeletesRewriteTheListFinishedFirst()
    {
        createThree(QStringLiteral("w"));
        QVERIFY(create(QStringLiteral("done")));
        QVERIFY(m_store->startNextWaiting());
        QVERIFY(m_store->finishRunning());
        QVERIFY(m_store->startNextWaiting());
        QVERIFY(!m_store->startNextWaiting());

        QVERIFY(m_store->moveWaiting(1, 0));
        QCOMPARE(mainList(), QByteArray("w1\r\nw2\r\ndone\r\nw3\r\n"));
        QVERIFY(m_store->moveWaiting(0, 1));
        QCOMPARE(mainList(), QByteArray("w1\r\nw2\r\nw3\r\ndone\r\n"));
        QVERIFY(!m_store->moveWaiting(1, 2));

        QVERIFY(m_store->finishRunning());
        QVERIFY(m_store->deleteFinished(0));
        QCOMPARE(names(m_store->finished()), QStringList{"w2"});
        QCOMPARE(mainList(), QByteArray("w2\r\nw3\r\ndone\r\n"));
        QVERIFY(!QFileInfo::exists(m_store->paths().projectFolder(QStringLiteral("w1"))));
        QVERIFY(!m_store->deleteFinished(1));
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
        QVERIFY(m_store->cancel(QStringLiteral("setup_1")));
        QCOMPARE(names(m_store->waiting()), QStringList({"my_setup", "setup_12"}));
        QVERIFY(!m_store->cancel(QStringLiteral("setup")));
    }

    void namesCannotReachOutsideTheStore()
    {
        const QString outside = m_home->root() + QStringLiteral("outside/");
        QVERIFY(QDir().mkpath(outside + QStringLiteral("project.qfd")));
        write(QStringLiteral("../outside/keep.txt"), "keep");
        QVERIFY(m_store->ensureProjectsFolder());
        const QStringList before = treeOf(m_home->root());

        const QStringList evil{"../outside", "..",     ".",          "",      "a/b",
                               "C:\\x",      "x\x01y", "trailing. ", "/tmp/x"};
        for (const QString &name : evil) {
            QVERIFY2(!create(name), qPrintable(name));
            QVERIFY(!m_store->cancel(name));
            QVERIFY(!m_store->rewriteStatus(name, ProjectRecord::Finished));
            QVERIFY(!m_store->record(name));
            QVERIFY(m_store->projectFolderExists(name));
        }
        QCOMPARE(treeOf(m_home->root()), before);

        // A tampered list names folders outside: loading skips them, so nothing can act on them.
        write(QStringLiteral("projects/main.qfd"), "../outside\r\n..\r\n/tmp\r\n");
        m_store->load();
        QVERIFY(m_store->waiting().isEmpty() && m_store->finished().isEmpty());
        QVERIFY(!m_store->deleteFinished(0));

        // A project folder replaced by a link: cancelling removes the link, not what it names.
        QVERIFY(create(QStringLiteral("linked")));
        const QString folder = m_store->paths().projectFolder(QStringLiteral("linked"));
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile::link(outside, folder.chopped(1)));
        QVERIFY(m_store->cancel(QStringLiteral("linked")));
        QVERIFY(!QFileInfo(folder.chopped(1)).isSymLink());
        QVERIFY(QFile::exists(outside + QStringLiteral("keep.txt")));
    }

    // Nothing the disk cannot hold replaces what it holds: the list and the records stay whole.
    void fullDiskKeepsEveryProject()
    {
        const QString folder = m_home->dataFolder();
        if (mount("quillfetch-test", qPrintable(folder), "tmpfs", 0, "size=64k") != 0)
            QSKIP(qPrintable("mounting a tmpfs is not allowed here: " + qt_error_string(errno)));
        const auto unmount = qScopeGuard([&folder] { umount(qPrintable(folder)); });
        createThree(QStringLiteral("w"));
        const QByteArray record = FileIo::read(m_store->paths().recordPath("w1")).value();
        QFile filler(folder + QStringLiteral("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(512, 'x')) == 512) {
        }

        QVERIFY(!create(QStringLiteral("late")));
        QVERIFY(!m_store->moveWaiting(0, 2));
        QVERIFY(!m_store->startNextWaiting());
        QCOMPARE(names(m_store->waiting()), QStringList({"w1", "w2", "w3"}));
        QCOMPARE(mainList(), QByteArray("w1\r\nw2\r\nw3\r\n"));
        QCOMPARE(FileIo::read(m_store->paths().recordPath("w1")).value(), record);
    }

private:
    bool create(const QString &name, qint64 bytes = 1)
    {
        return m_store->createProject(name, recordFor(QStringLiteral("h/") + name, bytes));
    }

    void createThree(const QString &prefix)
    {
        for (int i = 1; i <= 3; ++i) {
            const QString name = prefix + QString::number(i);
            QVERIFY(create(name, i));
        }
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
