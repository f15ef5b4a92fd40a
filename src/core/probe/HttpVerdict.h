#pragma once

#include "wire/HttpAnswer.h"

#include <QByteArray>

// What a probe learns from the header block of the answer to its "Range: bytes=0-" request.
struct HttpVerdict
{
    enum class Kind
    {
        File,        // a file of `size` bytes
        Redirect,    // ask `location` instead
        NotAFile,    // a web page, or "not found" (404, 410)
        ErrorStatus, // any other error status (4xx, 5xx)
        Unusable     // an answer the segmented download cannot work with
    };

    Kind kind = Kind::Unusable;
    int status = 0; // ErrorStatus: the status code
    qint64 size = 0;
    bool rangeSupported = false; // the server answered the range with 206
    QByteArray location;         // as sent, possibly relative
};

// Judges a complete header block. A 206 answer gives the size from its Content-Range total
// (else its Content-Length); a 200 answer ignored the range, so its file is usable only when it
// fits in one pack of packSize bytes.
HttpVerdict judgeHttpAnswer(const HttpAnswer &answer, qint64 packSize);
