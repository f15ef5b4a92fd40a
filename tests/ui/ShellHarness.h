#pragma once

#include "engine/Engine.h"
#include "options/Settings.h"
#include "platform/Autostart.h"
#include "store/ProjectStore.h"
#include "ui/MainWindow.h"
#include "ui/MessagePresenter.h"
#include "ui/OptionsFlow.h"

#include "TestHome.h"

#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

// Records what the user would be told and answers questions from a script (No when the
// script is empty), so no message box ever opens in a test.
class RecordingPresenter final : public MessagePresenter
{
public:
    struct Message
    {
        QString kind;
        QString text;
        QString title;
        bool operator==(const Message &) const = default;
    };

    void information(QWidget *, const QString &text, const QString &title) override
    {
        shown.append({QStringLiteral("information"), text, title});
    }
    void critical(QWidget *, const QString &text, const QString &title) override
    {
        shown.append({QStringLiteral("critical"), text, title});
    }
    bool question(QWidget *, const QString &text, const QString &title) override
    {
        shown.append({QStringLiteral("question"), text, title});
        return !answers.isEmpty() && answers.takeFirst();
    }

    QList<Message> shown;
    QList<bool> answers;
};

// A main window with everything it works with, on a temporary home.
class ShellHarness final
{
public:
    explicit ShellHarness(int startTickMs = 60000) : engine(store, settings, intervals(startTickMs))
    {}

    static Engine::Intervals intervals(int startTickMs)
    {
        Engine::Intervals quick;
        quick.startTickMs = startTickMs;
        return quick;
    }

    void configureOptions()
    {
        settings.setFilePath(home.root() + QStringLiteral("received/"));
        settings.setPackSizeText(QStringLiteral("512000"));
        settings.setModemSpeedText(QStringLiteral("56"));
    }

    // A project on disk with this status; the window's start-up loads it.
    void addProject(const QString &name, const QString &url, int status, qint64 bytes = 1300000)
    {
        ProjectRecord record;
        record.url = url;
        record.bytes = bytes;
        record.path = home.root() + QStringLiteral("received/");
        record.packSize = QStringLiteral("512000");
        QVERIFY(store.createProject(name, record));
        QVERIFY(store.rewriteStatus(name, status));
    }

    // Creates the window with its options dialog and waits for its deferred start-up; a second
    // call is a restart.
    MainWindow &start(const QStringList &arguments = {})
    {
        options.reset();
        window = std::make_unique<MainWindow>(
            MainWindowContext{settings, store, engine, autostart, messages,
                              home.root() + QStringLiteral("bin"), arguments});
        options = std::make_unique<OptionsFlow>(*window, settings, messages);
        QObject::connect(window.get(), &MainWindow::optionsRequested,
                         [this] { ++optionsRequests; });
        QSignalSpy started(window.get(), &MainWindow::startupFinished);
        window->show();
        if (!started.wait(5000))
            qWarning("the main window's start-up did not finish");
        return *window;
    }

    template<typename T>
    T *find(const QString &name) const
    {
        return window->findChild<T *>(name);
    }

    QByteArray mainList() const
    {
        QFile file(store.paths().mainListPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TestHome home;
    QSettings settingsFile{home.settingsPath(), QSettings::IniFormat};
    ProjectStore store{home.dataFolder()};
    Settings settings{settingsFile, store.paths().defaultDownloadFolder()};
    Engine engine;
    Autostart autostart{QStringLiteral("/opt/Quillfetch/Quillfetch"),
                        home.configFolder() + QStringLiteral("autostart/")};
    RecordingPresenter messages;
    int optionsRequests = 0;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<OptionsFlow> options;
};
