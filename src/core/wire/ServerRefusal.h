#pragma once

// An answer to a pack request that retrying may not mend: a status the request did not ask for
// (HTTP 3xx, 4xx, ..., FTP 5xx), a body that is not the range asked for, or no byte of the file
// at all. Two refusals are the same when they are the same status or the same kind of
// mismatch.
struct ServerRefusal
{
    enum class Kind
    {
        Status,       // any HTTP status but 200, 206 and 5xx; an FTP 5xx reply
        NoFile,       // an FTP 550 before the file's size was told: there is no such file
        RangeIgnored, // the whole file for a later range
        WrongStart,   // a range that does not start at the byte asked for
        WrongTotal,   // a total other than the project's size
        Unusable,     // no Content-Type or Content-Length, a coded body, not HTTP at all
        NoData        // an answer (or a silence) that brings no byte of the file
    };

    Kind kind = Kind::Unusable;
    int status = 0;

    bool operator==(const ServerRefusal &) const = default;
    // The server says the file is not there.
    bool meansNotAFile() const
    {
        return kind == Kind::NoFile || (kind == Kind::Status && (status == 404 || status == 410));
    }
    // The server wants a login, or refused the one sent: HTTP 401, FTP 530.
    bool meansLoginRefused() const
    {
        return kind == Kind::Status && (status == 401 || status == 530);
    }
};
