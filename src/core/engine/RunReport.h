#pragma once

#include "progress/RunProgress.h"

#include <array>

class Completion;
class Download;
class RetryCountdown;
class SpeedMeter;

// What the running download shows, gathered into one RunProgress value: each slot's state as its
// last event said it, and at each look the download's counts, the speed meter's figures, the
// wait before a retry and whether the last join runs.
class RunReport final
{
public:
    RunReport(const SpeedMeter &meter, const RetryCountdown &retry, const Completion &completion);

    // Slots are numbered from 1; packLength is that of the pack a Downloading slot receives.
    void setSlot(int slot, SlotState state, qint64 packLength = 0);
    void setEverySlot(SlotState state);

    // download: the running one, or none (every count and figure is then 0).
    RunProgress look(RunState state, const Download *download) const;

private:
    const SpeedMeter &m_meter;
    const RetryCountdown &m_retry;
    const Completion &m_completion;
    std::array<SlotProgress, RunProgress::MaxSlots> m_slots;
};
