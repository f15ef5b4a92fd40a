#include "platform/BrowserMenu.h"

#include "TestHome.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

QJsonObject jsonFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

// Chromium derives an extension's ID from its key: the first 128 bits of the key's SHA-256,
// each hex digit written as a letter from 'a' to 'p'.
QString chromiumId(const QString &key)
{
    const QByteArray hex =
        QCryptographicHash::hash(QByteArray::fromBase64(key.toLatin1()), QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    QString id;
    for (const char digit : hex)
        id += QChar(u'a' + QByteArray(1, digit).toInt(nullptr, 16));
    return id;
}

} // namespace

class tst_BrowserMenu final : public QObject
{
    Q_OBJECT

private slots:
    // The host manifests name Catchlink and let in exactly the extension that ships with us,
    // whatever folder the user loads it from.
    void manifestsLetTheShippedExtensionIn()
    {
        const QJsonObject extension = jsonFile(qEnvironmentVariable("QF_SOURCE_DIR") +
                                               QStringLiteral("/browser/extension/manifest.json"));
        const QString catchlink = QStringLiteral("/opt/Quill \"fetch\"\\/Catchlink");
        const QJsonObject chromium =
            QJsonDocument::fromJson(
                BrowserMenu::manifestText(BrowserMenu::Family::Chromium, catchlink))
                .object();
        const QJsonObject firefox =
            QJsonDocument::fromJson(
                BrowserMenu::manifestText(BrowserMenu::Family::Firefox, catchlink))
                .object();

        for (const QJsonObject &manifest : {chromium, firefox}) {
            QCOMPARE(manifest.value("name").toString(), QStringLiteral("com.quillfetch.catchlink"));
            QCOMPARE(manifest.value("path").toString(), catchlink);
            QCOMPARE(manifest.value("type").toString(), QStringLiteral("stdio"));
        }
        const QString id = chromiumId(extension.value("key").toString());
        QCOMPARE(chromium.value("allowed_origins").toArray(),
                 QJsonArray{"chrome-extension://" + id + u'/'});
        QCOMPARE(firefox.value("allowed_extensions").toArray(),
                 QJsonArray{extension.value("browser_specific_settings")["gecko"]["id"]});
    }

    void toggleWritesForEachBrowserFound()
    {
        TestHome home;
        const QDir root(home.root());
        const QList<BrowserMenu::Browser> browsers{
            {BrowserMenu::Family::Chromium, root.filePath("chromium"), root.filePath("chromium/N")},
            {BrowserMenu::Family::Chromium, root.filePath("chrome"), root.filePath("chrome/N")},
            {BrowserMenu::Family::Firefox, root.filePath("mozilla"), root.filePath("mozilla/n")}};
        BrowserMenu menu(QStringLiteral("/opt/Quillfetch/Catchlink"), browsers);
        QCOMPARE(menu.toggle(), BrowserMenu::Outcome::NoBrowser);
        QVERIFY(root.mkdir("chromium") && root.mkdir("mozilla"));

        QCOMPARE(menu.toggle(), BrowserMenu::Outcome::Installed);
        QVERIFY(menu.isInstalled());
        const QString name = QStringLiteral("/com.quillfetch.catchlink.json");
        QVERIFY(QFile::exists(root.filePath("chromium/N") + name));
        QVERIFY(QFile::exists(root.filePath("mozilla/n") + name));
        QVERIFY(!root.exists("chrome"));
        QVERIFY(QFile::remove(root.filePath("mozilla/n") + name)); // one removed by the user
        QCOMPARE(menu.toggle(), BrowserMenu::Outcome::Removed);
        QVERIFY(!menu.isInstalled());
    }
};

QTEST_MAIN(tst_BrowserMenu)
#include "tst_BrowserMenu.moc"
