#include "ui/OptionsFlow.h"

#include "ui/MainWindow.h"
#include "ui/NewProjectDialog.h"

OptionsFlow::OptionsFlow(MainWindow &window, Settings &settings, MessagePresenter &messages,
                         QObject *parent)
    : QObject(parent), m_window(window), m_settings(settings), m_messages(messages)
{
    connect(&m_window, &MainWindow::optionsRequested, this, [this](bool limitOnly) {
        m_window.holdForDialog(true);
        open(limitOnly, [this] { m_window.holdForDialog(false); });
    });
}

void OptionsFlow::serveNewProject(NewProjectDialog &newProject)
{
    connect(&newProject, &NewProjectDialog::optionsRequested, this, [this, &newProject] {
        open(false, [&newProject] {
            newProject.refreshOptions();
            newProject.show();
        });
    });
}

// A top-level window: a child of the main window would be disabled along with it.
void OptionsFlow::open(bool limitOnly, const std::function<void()> &closed)
{
    m_dialog = new OptionsDialog(m_settings, m_messages);
    if (limitOnly)
        m_dialog->limitOnly();
    connect(m_dialog, &QDialog::accepted, &m_window, &MainWindow::applySpeedLimit);
    connect(m_dialog, &QDialog::finished, this, [dialog = m_dialog, closed] {
        dialog->deleteLater();
        closed();
    });
    m_dialog->show();
}
