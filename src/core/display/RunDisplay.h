#pragma once

#include "progress/GraphSnapshots.h"
#include "progress/LiveGraphs.h"
#include "progress/RunCaptions.h"

#include <QObject>

class Engine;
class ProjectPaths;
class Settings;

// What a front end shows of the engine's runs, built beside the engine and connected to it here,
// once for the window and the command line alike: the captions of the running download, its live
// graphs and their snapshots in its project folder.
class RunDisplay final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunDisplay)

public:
    RunDisplay(Engine &engine, const Settings &settings, const ProjectPaths &paths,
               QObject *parent = nullptr);

    // The captions follow the engine's progress (for a test that watches the captions alone).
    static void connectCaptions(Engine &engine, RunCaptions &captions);

    RunCaptions &captions() { return m_captions; }
    LiveGraphs &graphs() { return m_graphs; }
    GraphSnapshots &snapshots() { return m_snapshots; }

private:
    RunCaptions m_captions;
    LiveGraphs m_graphs;
    GraphSnapshots m_snapshots;
};
