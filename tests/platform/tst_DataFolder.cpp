#include "TestHome.h"
#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

class tst_DataFolder final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void environmentFirstThenPortableThenPerUser();
    void trailingSeparator_data();
    void trailingSeparator();

private:
    TestHome m_home;
};

void tst_DataFolder::initTestCase()
{
    QVERIFY(m_home.isValid());
    QStandardPaths::setTestModeEnabled(true); // never the real per-user folder
    qunsetenv("QUILLFETCH_HOME");
}

void tst_DataFolder::environmentFirstThenPortableThenPerUser()
{
    const QString program = m_home.root() + QStringLiteral("program");
    const QString marker = program + QStringLiteral("/portable");
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                            QStringLiteral("/Quillfetch/");
    QVERIFY(QDir().mkpath(marker)); // a folder named "portable" does not count
    QCOMPARE(resolveDataFolder(program), perUser);

    QVERIFY(QDir().rmdir(marker));
    QVERIFY(QFile(marker).open(QIODevice::WriteOnly));
    QCOMPARE(resolveDataFolder(program), program + u'/');

    QVERIFY(QDir::setCurrent(m_home.root()));
    qputenv("QUILLFETCH_HOME", "data"); // relative to the working folder
    QCOMPARE(resolveDataFolder(program), m_home.dataFolder());
    qunsetenv("QUILLFETCH_HOME");
}

void tst_DataFolder::trailingSeparator_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("added") << "/a/b"
                           << "/a/b/";
    QTest::newRow("kept") << "/a/b/"
                          << "/a/b/";
    QTest::newRow("empty is not the root") << ""
                                           << "";
#ifdef Q_OS_WIN
    QTest::newRow("backslash") << "C:\\a\\"
                               << "C:\\a\\";
#else
    QTest::newRow("backslash is a name character") << "/a\\"
                                                   << "/a\\/";
#endif
}

void tst_DataFolder::trailingSeparator()
{
    QFETCH(QString, folder);
    QTEST(withTrailingSeparator(folder), "expected");
}

QTEST_GUILESS_MAIN(tst_DataFolder)
#include "tst_DataFolder.moc"
