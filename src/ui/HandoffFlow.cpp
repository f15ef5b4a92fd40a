#include "ui/HandoffFlow.h"

#include "handoff/HandoffListener.h"
#include "probe/Probe.h"
#include "ui/MainWindow.h"
#include "ui/ProjectsPage.h"

#include <QTabWidget>

#include <utility>

HandoffFlow::HandoffFlow(MainWindow &window, HandoffListener &listener, Probe &probe,
                         QObject *parent)
    : QObject(parent), m_window(window), m_probe(probe)
{
    connect(&listener, &HandoffListener::messageArrived, this, &HandoffFlow::showProjects);
    connect(&listener, &HandoffListener::urlHandedOver, this, &HandoffFlow::takeUrl);
    connect(&window, &MainWindow::startupFinished, this, &HandoffFlow::startupFinished);
}

void HandoffFlow::showProjects()
{
    m_window.Menu->setCurrentWidget(m_window.projectsPage());
}

void HandoffFlow::takeUrl(const HandedOver &handedOver)
{
    m_window.raise();
    m_window.activateWindow();
    if (m_started)
        m_probe.start(handedOver.url, handedOver.browser);
    else
        m_early.append(handedOver);
}

void HandoffFlow::startupFinished()
{
    m_started = true;
    for (const HandedOver &handedOver : std::exchange(m_early, {}))
        m_probe.start(handedOver.url, handedOver.browser);
}
