#include <QApplication>
#include <QGenericPlugin>
#include <QPushButton>

// The user at the new-project dialog in the browser test: loaded into the Quillfetch that
// Catchlink starts (QT_QPA_GENERIC_PLUGINS names it), it presses "Download" whenever that dialog
// ("Form2") shows, as a user who takes the link would.
class DownloadPresser final : public QObject
{
    Q_OBJECT

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("Form2"))
            QMetaObject::invokeMethod(watched->findChild<QPushButton *>("Cmd_Downloader"),
                                      &QPushButton::click, Qt::QueuedConnection);
        return false;
    }
};

class ConfirmNewProject final : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "ConfirmNewProject.json")

public:
    QObject *create(const QString &, const QString &) override
    {
        auto *presser = new DownloadPresser;
        qApp->installEventFilter(presser);
        return presser;
    }
};

#include "ConfirmNewProject.moc"
