#pragma once

#include "display/RunDisplay.h"
#include "engine/Engine.h"
#include "options/Settings.h"
#include "platform/Autostart.h"
#include "store/FileIo.h"
#include "store/ProjectStore.h"
#include "ui/MainWindow.h"
#include "ui/MessagePresenter.h"
#include "ui/OptionsFlow.h"
#include "ui/PercentBar.h"

#include "TestHome.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

// Records what the user would be told, as "kind|title|text", and answers questions from a
// script (No when the script is empty), so no message box ever opens in a test.
class RecordingPresenter final : public MessagePresenter
{
public:
    void information(QWidget *, const QString &text, const QString &title) override
    {
        shown.append("information|" + title + u'|' + text);
    }
    void critical(QWidget *, const QString &text, const QString &title) override
    {
        shown.append("critical|" + title + u'|' + text);
    }
    bool question(QWidget *, const QString &text, const QString &title) override
    {
        shown.append("question|" + title + u'|' + text);
        return !answers.isEmpty() && answers.takeFirst();
    }

    QStringList shown;
    QList<bool> answers;
};

// A main window with everything it works with, on a temporary home.
class ShellHarness final
{
public:
    // A home with its options configured; by default no queue starts during a test.
    explicit ShellHarness(int startTickMs = 60000)
        : engine(store, settings, {.startTickMs = startTickMs})
    {
        settings.setFilePath(home.root() + "received/");
        settings.setPackSizeText("512000");
        settings.setModemSpeedText("56");
    }

    // A project on disk with this status; the window's start-up loads it.
    void addProject(const QString &name, const QString &url, int status, qint64 bytes = 1300000)
    {
        ProjectRecord record;
        record.url = url;
        record.bytes = bytes;
        record.path = home.root() + "received/";
        record.packSize = "512000";
        QVERIFY(store.createProject(name, record));
        QVERIFY(store.rewriteStatus(name, status));
    }

    // Creates the window with its options dialog and waits for its deferred start-up; a second
    // call is a restart.
    MainWindow &start(const QStringList &arguments = {})
    {
        options.reset();
        window = std::make_unique<MainWindow>(MainWindowContext{
            settings, store, engine, display, autostart, messages, home.root() + "bin", arguments});
        options = std::make_unique<OptionsFlow>(*window, settings, messages);
        QSignalSpy started(window.get(), &MainWindow::startupFinished);
        window->show();
        if (!started.wait(5000))
            qWarning("the main window's start-up did not finish");
        return *window;
    }

    // A paused download as the captions show it, every text unlike the idle one.
    void showSomeProgress()
    {
        RunCaptions &captions = display.captions();
        emit captions.planTextChanged("2 times 500.00 Kb and 269.53 Kb");
        emit captions.packsToGoTextChanged("0 times 500.00 Kb");
        emit captions.totalSizeTextChanged("1.27 Mb");
        emit captions.receivedSizeTextChanged("548.83 Kb");
        emit captions.elapsedTextChanged("00:00:12");
        emit captions.remainingTextChanged("00:00:16");
        emit captions.averageSpeedChanged("45.00 Kb/s", "360 Kbit/s");
        emit captions.instantSpeedChanged("52.00 Kb/s", "416 Kbit/s");
        emit captions.overallStatusChanged("Pause...");
        emit captions.actionChanged(true, "Resume");
        emit captions.totalPercentChanged(42);
        for (int slot = 1; slot <= 4; ++slot) {
            emit captions.slotPercentChanged(slot, 100 - slot * 20);
            emit captions.slotStatusChanged(slot, "Pause...");
        }
        emit captions.titleChanged("42% - Quillfetch");
    }

    template<typename T>
    T *find(const QString &name) const
    {
        return window->findChild<T *>(name);
    }

    // Saves the window's picture; no control of the area may show a cut text.
    static void saveAndCheck(QWidget *window, QWidget *area, const QString &name)
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QString folder = qEnvironmentVariable("QF_SOURCE_DIR") + "/build/screenshots/";
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(window->grab().save(folder + name + ".png"));

        // A control narrower than its smallest readable size shows a cut text.
        for (QWidget *control : area->findChildren<QWidget *>()) {
            if (control->isVisible() && (qobject_cast<QLabel *>(control) != nullptr ||
                                         qobject_cast<QAbstractButton *>(control) != nullptr ||
                                         qobject_cast<PercentBar *>(control) != nullptr))
                QVERIFY2(control->width() >= control->minimumSizeHint().width(),
                         qPrintable(control->objectName() + control->property("text").toString() +
                                    " is cut"));
        }
    }

    TestHome home;
    QSettings settingsFile{home.settingsPath(), QSettings::IniFormat};
    ProjectStore store{home.dataFolder()};
    Settings settings{settingsFile, store.paths().defaultDownloadFolder()};
    Engine engine;
    RunDisplay display{engine, settings, store.paths()};
    Autostart autostart{"/opt/Quillfetch/Quillfetch", home.configFolder() + "autostart/"};
    RecordingPresenter messages;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<OptionsFlow> options;
};
