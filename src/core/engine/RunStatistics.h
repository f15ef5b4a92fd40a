#pragma once

#include "progress/RunProgress.h"
#include "store/StatsRecord.h"

// The statistics record "stats.qfd" of a completed run, from its speed meter's figures: each
// speed as the display showed it, a speed never measured left empty.
StatsRecord runStatistics(const SpeedFigures &figures);
