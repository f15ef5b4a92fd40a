#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What tells one file from every other while it keeps its bytes: a rename keeps it, a copy or a
// rewrite does not.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 bytes = 0;
    qint64 modified = 0; // nanoseconds since the epoch

    bool operator==(const FileIdentity &) const = default;
};

// The proof that a file in the download folder is the one a project joined: the identity its
// joined file had when it left the receive folder, and the name it takes in the download folder.
// Kept in the project folder as "joined.qfd":
// "device:<n>\r\ninode:<n>\r\nbytes:<n>\r\nmodified:<n>\r\nname:<file name>\r\n".
struct JoinedRecord
{
    FileIdentity file;
    QString name;

    bool operator==(const JoinedRecord &) const = default;

    QByteArray toText() const;
    // nullopt for a text longer than any record, a missing line or number, or a name that is
    // not a plain name of at most 255 bytes.
    static std::optional<JoinedRecord> parse(const QByteArray &text);
};
