#pragma once

#include <array>

// Every interval the engine and its slots use; the programs use these values, unit tests may
// shorten them.
struct EngineIntervals
{
    int startTickMs = 2000;   // takes the next waiting project / starts it
    int progressTickMs = 200; // bars and the completion test
    int speedTickMs = 1060;   // speed meter
    int clockTickMs = 1000;   // elapsed clock
    std::array<int, 4> ftpSlotMs = {800, 1000, 1200, 1400}; // each slot's FTP timer
    int retryFirstMs = 1000; // a failing slot reconnects after 1, 2, 4 ... s
    int retryMaxMs = 30000;
    int stallMs = 30000;       // a connection silent this long is retried
    int paceTickMs = 50;       // a speed limit lets its connections read again
    int ftpDataWaitMs = 15000; // an FTP request without data by then is sent again
    // After a connection error (refused, timed out, ...) the paused download resumes by
    // itself after 1, 2, 4 ... s, while no data arrives in between.
    int resumeFirstMs = 1000;
    int resumeMaxMs = 30000;
    // A slot refused the same way this long, with no good answer in between: the download
    // pauses and says why.
    int refusalMs = 60000;
};
