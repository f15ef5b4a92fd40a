#include "ui/AddProjectFlow.h"

#include "probe/Probe.h"
#include "ui/MainWindow.h"
#include "ui/MessagePresenter.h"
#include "ui/ProjectsPage.h"

#include <QLineEdit>

AddProjectFlow::AddProjectFlow(MainWindow &window, Probe &probe, ProjectStore &store,
                               const Settings &settings, MessagePresenter &messages,
                               QObject *parent)
    : QObject(parent), m_window(window), m_probe(probe), m_messages(messages),
      m_dialog(store, settings, messages), m_login(new LoginDialog(&window))
{
    connect(&m_window, &MainWindow::addProjectRequested, &m_probe,
            [this](const QString &url) { m_probe.start(url); });
    connectProbe();
    connectDialog();
}

void AddProjectFlow::connectProbe()
{
    ProjectsPage *page = m_window.projectsPage();
    connect(&m_probe, &Probe::statusChanged, page, &ProjectsPage::setProbeStatus);
    connect(&m_probe, &Probe::urlTextChanged, page->Txt_Url, &QLineEdit::setText);
    connect(&m_probe, &Probe::inputEnabledChanged, page,
            [page](bool enabled) { page->setProbing(!enabled); });
    connect(&m_probe, &Probe::failed, this, [this](const QString &text, const QString &title) {
        m_messages.critical(&m_window, text, title);
    });
    connect(&m_probe, &Probe::succeeded, this, &AddProjectFlow::showResult);
    connect(&m_probe, &Probe::loginRequested, m_login, &LoginDialog::ask);
    connect(m_login, &LoginDialog::loginGiven, &m_probe, &Probe::logIn);
    connect(m_login, &LoginDialog::loginAbandoned, &m_probe, &Probe::abandonLogin);
}

void AddProjectFlow::connectDialog()
{
    connect(&m_dialog, &QDialog::finished, this, [this] { m_window.holdForDialog(false); });
    connect(&m_dialog, &NewProjectDialog::projectCreated, this, &AddProjectFlow::projectCreated);
    connect(&m_dialog, &NewProjectDialog::resultDone, &m_probe, &Probe::resultHandled);
}

void AddProjectFlow::showResult(const ProbeResult &result)
{
    m_window.holdForDialog(true);
    m_dialog.showResult(result);
}

void AddProjectFlow::projectCreated()
{
    m_window.Charger_Listes();
    m_window.projectsPage()->Txt_Url->clear();
}
