#pragma once

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
