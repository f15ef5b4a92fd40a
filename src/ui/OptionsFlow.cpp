#include "ui/OptionsFlow.h"

#include "ui/MainWindow.h"
#include "ui/NewProjectDialog.h"

OptionsFlow::OptionsFlow(MainWindow &window, Settings &settings, MessagePresenter &messages,
                         QObject *parent)
    : QObject(parent), m_window(window), m_settings(settings), m_messages(messages)
{
    connect(&m_window, &MainWindow::optionsRequested, this, [this] {
        m_window.holdForDialog(true);
        open([this] { m_window.holdForDialog(false); });
    });
}

void OptionsFlow::serveNewProject(NewProjectDialog &newProject)
{
    connect(&newProject, &NewProjectDialog::optionsRequested, this, [this, &newProject] {
        open([&newProject] {
            newProject.refreshOptions();
            newProject.show();
        });
    });
}

// A top-level window: a child of the main window would be disabled along with it.
void OptionsFlow::open(const std::function<void()> &closed)
{
    m_dialog = new OptionsDialog(m_settings, m_messages);
    connect(m_dialog, &QDialog::finished, this, [dialog = m_dialog, closed] {
        dialog->deleteLater();
        closed();
    });
    m_dialog->show();
}
