#include "store/FileNames.h"
#include "store/ProjectNaming.h"
#include "store/ProjectPaths.h"

#include <QSet>
#include <QTest>

namespace {

void row(const char *tag, const QString &given, const QString &expected)
{
    QTest::newRow(tag) << given << expected;
}

} // namespace

class tst_FileNames final : public QObject
{
    Q_OBJECT

private slots:
    void safeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        row("plain", "setup.exe", "setup.exe");
        row("parent", "..", "download");
        row("dots only", "....", "download");
        row("empty", "", "download");
        row("climbing", "../evil", ".._evil");
        row("backslash climbing", "..\\..\\evil.dll", ".._.._evil.dll");
        row("refused characters", "a<b>c\"d|e?f*g", "a_b_c_d_e_f_g");
        row("control characters",
            QString("a") + QChar(1) + "b\tc\nd" + QChar(0x7f) + QChar(0x85) + "e", "a_b_c_d__e");
        row("trailing dots and spaces", "report. . ", "report");
        row("lone surrogate", QString(QChar(0xd800)) + "x", "_x");
        QTest::newRow("accents kept")
            << QStringLiteral("r\u00e9sum\u00e9.pdf") << QStringLiteral("r\u00e9sum\u00e9.pdf");
    }

    void safeNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(FileNames::safe(name), expected);
        QVERIFY(FileNames::isSafe(expected));
        QCOMPARE(FileNames::isSafe(name), name == expected);
    }

    void baseNames_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("expected");
        row("first dot", "archive.tar.gz", "archive");
        row("no dot", "README", "README");
        row("leading dot", ".bashrc", "download");
        row("climbing", "../../etc/passwd", "download");
        row("separator before dot", "a/b.zip", "a_b");
    }

    void baseNames()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, expected);
        QCOMPARE(FileNames::baseName(fileName), expected);
    }

    void pathsStayInTheirFolders()
    {
        const QString received = QStringLiteral("/dl/received");
        QCOMPARE(ProjectPaths::finalFilePath(received, QStringLiteral("../../.profile")),
                 QStringLiteral("/dl/received/.._.._.profile"));
        QCOMPARE(ProjectPaths::receiveFolder(received, QStringLiteral("..")),
                 QStringLiteral("/dl/received/download/"));
        const QString receive = ProjectPaths::receiveFolder(received, QStringLiteral("setup"));
        QCOMPARE(ProjectPaths::piecePath(receive, QStringLiteral("setup"), 5'000'000'000 / 512'000),
                 QStringLiteral("/dl/received/setup/setup(9765).qfd"));
        QCOMPARE(ProjectPaths::finalWorkPath(receive),
                 QStringLiteral("/dl/received/setup/final.qfd"));
        const ProjectPaths paths(QStringLiteral("/data"));
        QCOMPARE(paths.snapshotPath(QStringLiteral("a/../b"), QStringLiteral("setup"), 2, 0),
                 QStringLiteral("/data/projects/a_.._b/setup(2_0).jpg"));
    }

    void secondsSinceMidnight_data()
    {
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QString>("localeName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hundredths")
            << QTime(12, 34, 56, 170) << QStringLiteral("C") << QStringLiteral("45296.17");
        QTest::newRow("tenths") << QTime(12, 34, 56, 200) << QStringLiteral("C")
                                << QStringLiteral("45296.2");
        QTest::newRow("whole") << QTime(12, 34, 56, 5) << QStringLiteral("C")
                               << QStringLiteral("45296");
        QTest::newRow("comma locale")
            << QTime(12, 34, 56, 170) << QStringLiteral("de_DE") << QStringLiteral("45296,17");
        QTest::newRow("no grouping")
            << QTime(23, 59, 59, 990) << QStringLiteral("en_US") << QStringLiteral("86399.99");
    }

    void secondsSinceMidnight()
    {
        QFETCH(QTime, now);
        QFETCH(QString, localeName);
        QFETCH(QString, expected);
        QCOMPARE(secondsSinceMidnightText(now, QLocale(localeName)), expected);
    }

    void projectNameAvoidsExistingFolders()
    {
        QSet<QString> taken;
        const auto exists = [&taken](const QString &name) { return taken.contains(name); };
        const QTime now(12, 34, 56, 170);
        const QLocale c = QLocale::c();
        QCOMPARE(chooseProjectName(QStringLiteral("setup.exe"), now, exists, c),
                 QStringLiteral("setup"));
        taken.insert(QStringLiteral("setup"));
        QCOMPARE(chooseProjectName(QStringLiteral("setup.exe"), now, exists, c),
                 QStringLiteral("setup_45296.17"));
        taken.insert(QStringLiteral("setup_45296.17"));
        taken.insert(QStringLiteral("setup_45296.17_2"));
        QCOMPARE(chooseProjectName(QStringLiteral("setup.exe"), now, exists, c),
                 QStringLiteral("setup_45296.17_3"));
        QCOMPARE(chooseProjectName(QStringLiteral("../../x.exe"), now, exists, c),
                 QStringLiteral("download"));
        QCOMPARE(chooseProjectName(QStringLiteral("..\\x.exe"), now, exists, c),
                 QStringLiteral("download"));
    }
};

QTEST_GUILESS_MAIN(tst_FileNames)
#include "tst_FileNames.moc"
