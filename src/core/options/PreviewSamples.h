#pragma once

#include <QList>
#include <QRandomGenerator>

// The made-up speeds of the options dialog's graph preview: the last 50 samples in Kbit/s,
// oldest first, each between half and one and a half times the modem speed being edited.
class PreviewSamples final
{
public:
    static constexpr int SampleCount = 50;

    PreviewSamples();

    // Back to 50 empty samples: the preview starts again.
    void restart();
    void addSample(double modemSpeed);
    const QList<int> &samples() const { return m_samples; }

private:
    QList<int> m_samples;
    QRandomGenerator m_random;
};
