#pragma once

#include "store/ElapsedRecord.h"

#include <QtGlobal>

#include <array>
#include <optional>

// What a running download reports, in plain values: the engine says what happened, RunCaptions
// says how it looks.

// What a connection slot is doing.
enum class SlotState
{
    Idle, // holds no pack
    Initialising,
    SendingRequest,
    Downloading,
    Paused,
    UnusedWithFtp, // the fourth slot of an FTP download
};

struct SlotProgress
{
    SlotState state = SlotState::Idle;
    qint64 packLength = 0; // of the pack it receives (Downloading)
    int percent = 0;       // the part of its pack its piece holds
};

// A number of packs of one size, and the short pack after them (0: none).
struct PackCount
{
    qint64 count = 0;
    qint64 packSize = 0;
    qint64 shortLength = 0;

    bool operator==(const PackCount &) const = default;
};

// What the speed meter measured; speeds in bytes per second.
struct SpeedFigures
{
    qint64 instant = 0;                // the last tick's; 0 when nothing came
    std::optional<qint64> average;     // none before the run's first average
    std::optional<qint64> secondsLeft; // none before the run's first average
    qint64 highest = 0;                // of the ticks with data; 0 before the first
    qint64 lowest = 0;
    ElapsedClock elapsed;
};

// Why the download waits before it tries again.
enum class RetryCause
{
    ConnectionLost,   // a connection error paused the download; it resumes by itself
    ServerBusy,       // a slot met a server error (5xx) and asks again
    NoDataFromServer, // a slot's answer brought no byte of the file and it asks again
};

// A wait before the next try, in whole seconds left (rounded up).
struct RetryWait
{
    RetryCause cause = RetryCause::ConnectionLost;
    int seconds = 0;

    bool operator==(const RetryWait &) const = default;
};

// The state of the run as a whole.
enum class RunState
{
    Idle,         // no project runs
    Initialising, // a project was taken from the queue; its download starts on the next tick
    Downloading,
    Paused,
};

// One look at the running download, reported after every change and every progress tick.
struct RunProgress
{
    static constexpr int MaxSlots = 4;

    RunState state = RunState::Idle;
    std::optional<RetryWait> retry; // shown instead of the state while set
    bool finishing = false;         // the last pieces are being joined: nothing to pause
    qint64 received = 0;
    qint64 fileSize = 0;
    std::optional<PackCount> plan;      // none while no download runs
    std::optional<PackCount> packsToGo; // none once a slot found no pack left to take
    SpeedFigures speeds;
    std::array<SlotProgress, MaxSlots> slotProgress; // slot 1 first
};
