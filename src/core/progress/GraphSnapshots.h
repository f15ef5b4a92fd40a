#pragma once

#include <QImage>
#include <QObject>
#include <QString>

class LiveGraphs;
class ProjectPaths;

// Saves the live graphs of the running download as JPEG pairs in its project folder: "(1_k)"
// the average graph, "(2_k)" the instant graph. A pair every 50 ticks with data, and a last pair
// when the download ends (completion) or the program does, if a tick came since the last pair.
// A run numbers its pairs after those already in the folder, so a resumed project keeps the
// images of its earlier runs. A snapshot that cannot be written is lost, and only that.
class GraphSnapshots final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GraphSnapshots)

public:
    static constexpr int TicksPerPair = 50;
    static constexpr int Quality = 90;

    GraphSnapshots(const ProjectPaths &paths, const LiveGraphs &graphs, QObject *parent = nullptr);

    // A run of the project begins; its images are named after baseName.
    void startRun(const QString &project, const QString &baseName);
    // The graphs were drawn from new samples.
    void tick();
    // The run ended (completed or cancelled): later ticks are not its own.
    void endRun() { m_running = false; }
    // The project is complete: what was drawn since the last pair is saved.
    void finishRun(const QString &project);
    // The last pair of the run, when something was drawn since the previous one.
    void saveFinal();

signals:
    // The first snapshot of a run that could not be written: a status line to show.
    void writeFailed(const QString &message);

private:
    void savePair();
    void save(const QImage &image, int series);

    const ProjectPaths &m_paths;
    const LiveGraphs &m_graphs;
    bool m_running = false;
    QString m_project;
    QString m_baseName;
    int m_ticks = 0;
    int m_number = 0;
    bool m_failureShown = false;
};
