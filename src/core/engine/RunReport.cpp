#include "engine/RunReport.h"

#include "engine/Completion.h"
#include "engine/Download.h"
#include "engine/RetryCountdown.h"
#include "progress/SpeedMeter.h"

static_assert(Download::MaxSlots == RunProgress::MaxSlots);

RunReport::RunReport(const SpeedMeter &meter, const RetryCountdown &retry,
                     const Completion &completion)
    : m_meter(meter), m_retry(retry), m_completion(completion)
{}

void RunReport::setSlot(int slot, SlotState state, qint64 packLength)
{
    m_slots.at(slot - 1) = {state, packLength};
}

void RunReport::setEverySlot(SlotState state)
{
    m_slots.fill({state});
}

RunProgress RunReport::look(RunState state, const Download *download) const
{
    RunProgress progress;
    progress.state = state;
    progress.retry = m_retry.shown();
    progress.finishing = m_completion.isFinishing();
    progress.slotProgress = m_slots;
    if (!download)
        return progress;
    progress.received = download->received();
    progress.fileSize = download->plan().fileSize();
    progress.plan = download->plan().packs();
    progress.packsToGo = download->packsToGo();
    progress.speeds = m_meter.figures();
    for (int slot = 1; slot <= download->slotCount(); ++slot)
        progress.slotProgress.at(slot - 1).percent = download->slotPercent(slot);
    return progress;
}
