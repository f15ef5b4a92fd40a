#pragma once

#include "store/Checksum.h"

#include <QByteArray>

#include <optional>

// The digest a project's file must have, and once every byte of the file was joined, the one it
// has. Kept in the project folder as "checksum.qfd": "expected:sha256:<hex>\r\n", then
// "actual:sha256:<hex>\r\n". A project without the file has no digest to meet.
struct ChecksumRecord
{
    Checksum expected;
    std::optional<Checksum> actual;

    bool operator==(const ChecksumRecord &) const = default;

    // Only a joined file whose digest is the one expected passes.
    bool isVerified() const { return actual == expected; }

    QByteArray toText() const;
    // nullopt for a text longer than any record, or without a readable expected digest; an
    // unreadable actual one reads as none.
    static std::optional<ChecksumRecord> parse(const QByteArray &text);
};
