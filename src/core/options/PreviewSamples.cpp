#include "options/PreviewSamples.h"

#include <cmath>

PreviewSamples::PreviewSamples() : m_random(QRandomGenerator::securelySeeded())
{
    restart();
}

void PreviewSamples::restart()
{
    m_samples = QList<int>(SampleCount, 0);
}

void PreviewSamples::addSample(double modemSpeed)
{
    const double sample = modemSpeed / 2 + modemSpeed * m_random.generateDouble();
    m_samples.removeFirst();
    m_samples.append(int(std::floor(sample)));
}
