#include "progress/LiveGraphs.h"

#include "options/Settings.h"
#include "progress/SpeedMeter.h"

LiveGraphs::LiveGraphs(const SpeedMeter &meter, const Settings &settings, QObject *parent)
    : QObject(parent), m_meter(meter), m_settings(settings)
{
    restyle();
}

void LiveGraphs::setShowModem(bool show)
{
    m_style.showModem = show;
    publish();
}

QImage LiveGraphs::average() const
{
    return graph().draw(m_meter.averageSamples(), m_meter.instantSamples());
}

QImage LiveGraphs::instant() const
{
    return graph().draw(m_meter.instantSamples());
}

void LiveGraphs::restyle()
{
    m_style.back = m_settings.colour(Settings::Colour::GraphBack);
    m_style.bars = m_settings.colour(Settings::Colour::GraphFore);
    m_style.modemLine = m_settings.colour(Settings::Colour::GraphModem);
    m_style.showModem = m_settings.showModem();
    emit showModemChanged(m_style.showModem);
    publish();
}

void LiveGraphs::redraw()
{
    m_cleared = false;
    publish();
}

void LiveGraphs::clear()
{
    m_cleared = true;
    publish();
}

void LiveGraphs::publish()
{
    if (m_cleared) {
        const QImage empty = graph().draw({});
        emit redrawn(empty, empty);
        return;
    }
    emit redrawn(average(), instant());
}

SpeedGraph LiveGraphs::graph() const
{
    SpeedGraph::Style style = m_style;
    style.modemSpeed = m_settings.modemSpeed();
    return SpeedGraph(style);
}
