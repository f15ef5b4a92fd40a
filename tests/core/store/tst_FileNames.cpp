#include "store/FileNames.h"
#include "store/ProjectNaming.h"
#include "store/ProjectPaths.h"

#include <QTest>

class tst_FileNames final : public QObject
{
    Q_OBJECT

private slots:
    void safeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("parent") << QString("..") << QString("download");
        QTest::newRow("empty") << QString() << QString("download");
        QTest::newRow("climbing") << QString("..\\../evil.dll") << QString(".._.._evil.dll");
        QTest::newRow("refused characters")
            << QString("a<b>c\"d|e?f*g") << QString("a_b_c_d_e_f_g");
        QTest::newRow("control characters")
            << QString("a") + QChar(1) + "b\tc\nd" + QChar(0x7f) + QChar(0x85) + "e"
            << QString("a_b_c_d__e");
        QTest::newRow("trailing dots and spaces") << QString("report. . ") << QString("report");
        QTest::newRow("lone surrogate") << QString(QChar(0xd800)) + "x" << QString("_x");
        QTest::newRow("plain, accents kept")
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
        QTest::newRow("whole, zeros trimmed")
            << QTime(12, 34, 56, 5) << QStringLiteral("C") << QStringLiteral("45296");
        QTest::newRow("comma locale, no grouping")
            << QTime(23, 59, 59, 990) << QStringLiteral("de_DE") << QStringLiteral("86399,99");
    }

    void secondsSinceMidnight()
    {
        QFETCH(QTime, now);
        QFETCH(QString, localeName);
        QFETCH(QString, expected);
        QCOMPARE(secondsSinceMidnightText(now, QLocale(localeName)), expected);
    }

    // The base name is the text before the first dot; an existing folder adds the suffix.
    void projectNames_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first dot") << "archive.tar.gz" << QStringList() << "archive";
        QTest::newRow("leading dot") << ".bashrc" << QStringList() << "download";
        QTest::newRow("climbing") << "../../etc/passwd" << QStringList() << "download";
        QTest::newRow("separator before dot") << "a/b.zip" << QStringList() << "a_b";
        QTest::newRow("folder and suffix taken")
            << "setup.exe" << QStringList{"setup", "setup_45296.17", "setup_45296.17_2"}
            << "setup_45296.17_3";
    }

    void projectNames()
    {
        QFETCH(QString, fileName);
        QFETCH(QStringList, taken);
        const auto exists = [&taken](const QString &name) { return taken.contains(name); };
        QTEST(chooseProjectName(fileName, QTime(12, 34, 56, 170), exists, QLocale::c()),
              "expected");
    }
};

QTEST_GUILESS_MAIN(tst_FileNames)
#include "tst_FileNames.moc"
