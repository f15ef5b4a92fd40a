#pragma once

#include "ui/LoginDialog.h"
#include "ui/NewProjectDialog.h"

#include <QObject>

class MainWindow;
class MessagePresenter;
class Probe;
class ProjectStore;
class Settings;

// The road from a typed URL to a queued project: the add button (or Enter) starts the probe;
// the URL field, the add button and the status label follow it; a failure is shown; a server
// that asks for a login gets the login box's answer; a success opens the new-project dialog
// while the main window waits for it.
class AddProjectFlow final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddProjectFlow)

public:
    AddProjectFlow(MainWindow &window, Probe &probe, ProjectStore &store, const Settings &settings,
                   MessagePresenter &messages, QObject *parent = nullptr);

    // A top-level window: a child of the main window would be disabled along with it.
    NewProjectDialog &dialog() { return m_dialog; }
    // The main window's own: it blocks the window while it is open.
    LoginDialog &loginDialog() { return *m_login; }

private:
    void connectProbe();
    void connectDialog();
    void showResult(const ProbeResult &result);
    void projectCreated();

    MainWindow &m_window;
    Probe &m_probe;
    MessagePresenter &m_messages;
    NewProjectDialog m_dialog;
    LoginDialog *m_login;
};
