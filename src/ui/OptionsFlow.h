#pragma once

#include "ui/OptionsDialog.h"

#include <QObject>
#include <QPointer>

#include <functional>

class MainWindow;
class MessagePresenter;
class NewProjectDialog;
class Settings;

// Opens the options dialog from the Files menu (and the first run), while the main window
// waits for it, for the speed limit alone while a project runs; and from "Edit..." of the
// new-project dialog, which hides meanwhile and then shows the options as they now stand. Each
// opening builds the dialog afresh from the settings; its OK sets the speed limit at once.
class OptionsFlow final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OptionsFlow)

public:
    OptionsFlow(MainWindow &window, Settings &settings, MessagePresenter &messages,
                QObject *parent = nullptr);

    void serveNewProject(NewProjectDialog &newProject);
    // The open dialog, or nullptr.
    OptionsDialog *dialog() const { return m_dialog; }

private:
    void open(bool limitOnly, const std::function<void()> &closed);

    MainWindow &m_window;
    Settings &m_settings;
    MessagePresenter &m_messages;
    QPointer<OptionsDialog> m_dialog;
};
