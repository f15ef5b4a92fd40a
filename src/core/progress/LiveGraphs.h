#pragma once

#include "progress/SpeedGraph.h"

#include <QImage>
#include <QObject>

class Settings;
class SpeedMeter;

// The two live speed graphs of the running download, drawn from its speed meter: the
// average-speed graph ("Graph") and the instant-speed graph ("Graph2"), which has a bar in every
// column that had data; the average graph has bars in those columns only. A run takes its
// colours and modem switch from the settings (the project's own by then); the modem speed is
// read at every drawing.
class LiveGraphs final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveGraphs)

public:
    LiveGraphs(const SpeedMeter &meter, const Settings &settings, QObject *parent = nullptr);

    bool showModem() const { return m_style.showModem; }
    // The user's modem switch: the graphs are redrawn at once.
    void setShowModem(bool show);

    // Both pictures drawn now from the meter's samples, whatever the window shows.
    QImage average() const;
    QImage instant() const;

    // A run starts: its colours and modem switch are read again.
    void restyle();
    // The meter has new samples.
    void redraw();
    // Empty graphs until the next tick with data.
    void clear();

signals:
    void redrawn(const QImage &average, const QImage &instant);
    void showModemChanged(bool show);

private:
    void publish();
    SpeedGraph graph() const;

    const SpeedMeter &m_meter;
    const Settings &m_settings;
    SpeedGraph::Style m_style;
    bool m_cleared = true; // the window shows empty graphs until the next tick with data
};
