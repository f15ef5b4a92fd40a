#include "TestHome.h"

#include "store/FileIo.h"
#include "store/ProjectStore.h"

#include <QDir>
#include <QTest>

#include <sys/mount.h>

namespace {

QStringList names(const QList<ProjectEntry> &list)
{
    QStringList result;
    for (const ProjectEntry &entry : list)
        result.append(entry.name);
    return result;
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
        QCOMPARE(names(reloaded.finished()), QStringList{"w2"});
        QCOMPARE(reloaded.waiting(), m_store->waiting());
        QCOMPARE(reloaded.waiting().first(), (ProjectEntry{"w3", "h/w3", 5'000'000'000}));
    }

    // Each record that cannot be read is named, and keeps its line in the list.
    void loadingSkipsWhatCannotBeRead()
    {
        for (const char *name : {"done", "live", "w1", "w2", "torn"})
            QVERIFY(create(QLatin1String(name)));
        QVERIFY(m_store->rewriteStatus(QStringLiteral("done"), ProjectRecord::Finished));
        QVERIFY(m_store->rewriteStatus(QStringLiteral("live"), ProjectRecord::Running));
        write(QStringLiteral("projects/broken/project.qfd"), "url:h/c.zip\r\nbytes:");
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

        QVERIFY(m_store->moveWaiting(1, 0));
        QCOMPARE(mainList(), QByteArray("done\r\nlive\r\nw2\r\nw1\r\nbroken\r\nmissing\r\n"));
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
        QVERIFY(!m_store->cancel(QStringLiteral("setup")));
    }

    void namesCannotReachOutsideTheStore()
    {
        const QString outside = m_home->root() + QStringLiteral("outside/");
        QVERIFY(QDir().mkpath(outside + QStringLiteral("project.qfd")));
        write(QStringLiteral("../outside/keep.txt"), "keep");
        QVERIFY(m_store->ensureProjectsFolder());
        for (const QString name : {"../outside", "..", "", "a/b", "trailing. "}) {
            QVERIFY2(!create(name), qPrintable(name));
            QVERIFY(m_store->projectFolderExists(name));
        }
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
        QCOMPARE(names(m_store->waiting()), QStringList({"w1", "w2", "w3"}));
        QCOMPARE(mainList(), QByteArray("w1\r\nw2\r\nw3\r\n"));
        QCOMPARE(FileIo::read(m_store->paths().recordPath("w1")).value(), record);
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
