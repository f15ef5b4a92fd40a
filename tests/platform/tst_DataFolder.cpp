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
    void environmentFirstThenPortableThenPerUser()
    {
        TestHome home;
        QStandardPaths::setTestModeEnabled(true); // never the real per-user folder
        qunsetenv("QUILLFETCH_HOME");
        const QString program = home.root() + QStringLiteral("program");
        const QString marker = program + QStringLiteral("/portable");
        QVERIFY(QDir().mkpath(marker)); // a folder named "portable" does not count
        QCOMPARE(resolveDataFolder(program),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/Quillfetch/"));
        QVERIFY(QDir().rmdir(marker));
        QVERIFY(QFile(marker).open(QIODevice::WriteOnly));
        QCOMPARE(resolveDataFolder(program), program + u'/');
        QVERIFY(QDir::setCurrent(home.root()));
        qputenv("QUILLFETCH_HOME", "data"); // relative to the working folder
        QCOMPARE(resolveDataFolder(program), home.dataFolder());
        qunsetenv("QUILLFETCH_HOME");
        QCOMPARE(withTrailingSeparator(QStringLiteral("/a/b")), QStringLiteral("/a/b/"));
        QCOMPARE(withTrailingSeparator(QString()), QString()); // not the root
    }
};

QTEST_GUILESS_MAIN(tst_DataFolder)
#include "tst_DataFolder.moc"
