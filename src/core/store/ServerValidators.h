#pragma once

#include <QByteArray>

// What a server said identifies the version of a file: the ETag and Last-Modified values of an
// HTTP answer, or the MDTM time of an FTP file (as "modified"; its size is the record's). Kept in
// the project folder as "server.qfd" ("etag:...\r\nmodified:...\r\n"), byte for byte as the
// server sent them, so that every later request can ask for the same version. Empty values: the
// server sent none.
struct ServerValidators
{
    QByteArray etag;
    QByteArray modified;

    bool isEmpty() const { return etag.isEmpty() && modified.isEmpty(); }
    bool operator==(const ServerValidators &) const = default;

    QByteArray toText() const;
    // Missing keys read as empty values.
    static ServerValidators parse(const QByteArray &text);
};
