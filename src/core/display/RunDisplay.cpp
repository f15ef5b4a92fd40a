#include "display/RunDisplay.h"

#include "engine/Engine.h"

RunDisplay::RunDisplay(Engine &engine, const Settings &settings, const ProjectPaths &paths,
                       QObject *parent)
    : QObject(parent), m_graphs(engine.speedMeter(), settings), m_snapshots(paths, m_graphs)
{
    connectCaptions(engine, m_captions);
    connect(&engine, &Engine::runStarted, &m_graphs, &LiveGraphs::restyle);
    connect(&engine, &Engine::runStarted, &m_snapshots, &GraphSnapshots::startRun);
    connect(&engine.speedMeter(), &SpeedMeter::samplesChanged, &m_graphs, &LiveGraphs::redraw);
    connect(&engine.speedMeter(), &SpeedMeter::samplesChanged, &m_snapshots, &GraphSnapshots::tick);
    // Completion and cancellation both reset the display and end the run; only a completion
    // then names the project as finished, and its meter still holds the last samples.
    connect(&engine, &Engine::displayReset, &m_graphs, &LiveGraphs::clear);
    connect(&engine, &Engine::displayReset, &m_snapshots, &GraphSnapshots::endRun);
    connect(&engine, &Engine::projectFinished, &m_snapshots, &GraphSnapshots::finishRun);
}

void RunDisplay::connectCaptions(Engine &engine, RunCaptions &captions)
{
    connect(&engine, &Engine::progressChanged, &captions, &RunCaptions::show);
    connect(&engine, &Engine::retryWaiting, &captions, &RunCaptions::showRetry);
    connect(&engine, &Engine::displayReset, &captions, &RunCaptions::reset);
}
