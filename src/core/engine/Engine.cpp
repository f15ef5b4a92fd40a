#include "engine/Engine.h"

#include "options/Settings.h"
#include "store/ProjectStore.h"

#include <QTimer>

class Engine::Private
{
public:
    Private(ProjectStore &store, Settings &settings, const Intervals &intervals)
        : m_store(store), m_settings(settings), m_intervals(intervals)
    {}

    ProjectStore &m_store;
    Settings &m_settings;
    Intervals m_intervals;
    QTimer m_startTimer;
    bool m_startHeld = false;
    bool m_downloading = false;
    bool m_paused = false;
    QString m_project;
};

Engine::Engine(ProjectStore &store, Settings &settings, const Intervals &intervals, QObject *parent)
    : QObject(parent), d(new Private(store, settings, intervals))
{
    d->m_startTimer.setInterval(intervals.startTickMs);
}

Engine::~Engine()
{
    delete d;
}

void Engine::setStartHeld(bool held)
{
    d->m_startHeld = held;
}

void Engine::startQueue()
{
    d->m_startTimer.start();
}

void Engine::resumeInterrupted() {}

bool Engine::isDownloading() const
{
    return d->m_downloading;
}

bool Engine::isPaused() const
{
    return d->m_paused;
}

QString Engine::currentProject() const
{
    return d->m_project;
}

void Engine::togglePause() {}

void Engine::shutdown()
{
    d->m_startTimer.stop();
}

void Engine::cancelRunning()
{
    d->m_startTimer.stop();
}
