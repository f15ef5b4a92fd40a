#include "ChildProcess.h"
#include "TestHome.h"

#include "handoff/HandoffListener.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString ProgramFolder = qEnvironmentVariable("QF_BINARY_DIR") + QStringLiteral("/src/app");
const QString Url = QStringLiteral("http://127.0.0.1/a b \"c\" 'd' $(e).zip");

} // namespace

// Catchlink as a terminal and the browsers start it.
class tst_Catchlink final : public QObject
{
    Q_OBJECT

private slots:
    void urlArrivesUnchanged_data();
    void urlArrivesUnchanged();
};

void tst_Catchlink::urlArrivesUnchanged_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("received");
    // A browser's message: a 32-bit length, then the JSON.
    const QByteArray json = R"({"url":"http://127.0.0.1/a b \"c\" 'd' $(e).zip"})";
    const quint32 length = quint32(json.size());
    const QByteArray message = QByteArray(reinterpret_cast<const char *>(&length), 4) + json;
    QTest::newRow("empty") << QStringList() << QByteArray() << QStringList();
    QTest::newRow("terminal") << QStringList{Url} << QByteArray() << QStringList{Url};
    QTest::newRow("Chromium") << QStringList{"chrome-extension://ohnfpbheefahocbbgogakplikmphllcf/"}
                              << message << QStringList{Url};
}

// Quillfetch runs (here its listener alone): the URL arrives exactly as given, never through a
// shell, and Catchlink ends once the connection is closed. Without a URL it ends at once and
// starts nothing.
void tst_Catchlink::urlArrivesUnchanged()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, received);
    TestHome home;
    HandoffListener quillfetch(0, HandoffListener::IdleTimeoutMs);
    QVERIFY(quillfetch.open());
    QSignalSpy handedOver(&quillfetch, &HandoffListener::urlHandedOver);
    QProcess catchlink;
    QProcessEnvironment environment = home.environment();
    environment.insert(QStringLiteral("QUILLFETCH_HANDOFF_PORT"),
                       QString::number(quillfetch.serverPort()));
    catchlink.setProcessEnvironment(environment);
    ChildProcess::dieWithParent(catchlink);
    QSignalSpy finished(&catchlink, &QProcess::finished);
    catchlink.start(ProgramFolder + QStringLiteral("/Catchlink"), arguments);
    catchlink.write(input);
    catchlink.closeWriteChannel();
    QVERIFY(finished.wait(30000));
    QCOMPARE(catchlink.exitStatus(), QProcess::NormalExit);
    QCOMPARE(catchlink.exitCode(), 0);
    QCOMPARE(handedOver.count(), received.size());
    if (!received.isEmpty())
        QCOMPARE(handedOver.first().first().toString(), Url);
    QVERIFY(!QFileInfo::exists(home.dataFolder() + QStringLiteral("quillfetch.lock")));
}

QTEST_MAIN(tst_Catchlink)
#include "tst_Catchlink.moc"
