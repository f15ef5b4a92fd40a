#include "display/RunDisplay.h"
#include "engine/Engine.h"
#include "handoff/HandoffListener.h"
#include "options/Settings.h"
#include "platform/Autostart.h"
#include "platform/BrowserMenu.h"
#include "platform/DataFolder.h"
#include "platform/HandoffSocket.h"
#include "platform/SingleInstance.h"
#include "probe/Probe.h"
#include "store/ProjectStore.h"
#include "ui/AddProjectFlow.h"
#include "ui/BrowserMenuOption.h"
#include "ui/DialogMessagePresenter.h"
#include "ui/HandoffFlow.h"
#include "ui/InstanceRule.h"
#include "ui/MainWindow.h"
#include "ui/OptionsFlow.h"

#include <QApplication>
#include <QDir>
#include <QSettings>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillfetch"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillfetch"));
    // Lets the desktop match the window to its menu entry (and so to its icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quillfetch.Quillfetch"));
    // The window may hide in the notification area: only the shutdown ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString programFolder = QCoreApplication::applicationDirPath();
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString dataFolder = resolveDataFolder(programFolder);
    DialogMessagePresenter messages;
    SingleInstance instance(dataFolder);
    if (!claimSingleInstance(instance, arguments, messages))
        return 0;
    // Before the slow start-up, so that Catchlink waiting for it gets through soon.
    HandoffListener listener(HandoffSocket::name(), HandoffListener::IdleTimeoutMs);
    listener.open();

    QSettings store(QStringLiteral("Quillfetch"), QStringLiteral("Quillfetch"));
    ProjectStore projects(dataFolder);
    Settings settings(store, projects.paths().defaultDownloadFolder());
    Engine engine(projects, settings, Engine::Intervals{});
    RunDisplay display(engine, settings, projects.paths());
    Autostart autostart(QCoreApplication::applicationFilePath(), Autostart::defaultFolder());

    MainWindow window(
        {settings, projects, engine, display, autostart, messages, programFolder, arguments});
    Probe probe(projects, settings, Probe::Intervals{});
    AddProjectFlow addProject(window, probe, projects, settings, messages);
    OptionsFlow options(window, settings, messages);
    options.serveNewProject(addProject.dialog());
    HandoffFlow handoff(window, listener, probe);
    BrowserMenu browserMenu(QDir(programFolder).filePath(QStringLiteral("Catchlink")),
                            BrowserMenu::userBrowsers());
    BrowserMenuOption browserMenuOption(*window.aboutPage(), browserMenu,
                                        BrowserMenu::extensionFolder(programFolder), messages);
    QObject::connect(&window, &MainWindow::shutdownComplete, &app,
                     [] { QCoreApplication::exit(0); });
    window.show();
    return QApplication::exec();
}
