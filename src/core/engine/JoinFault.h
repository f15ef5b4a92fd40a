#pragma once

#include <QString>

// The file that stopped a join or the placing of its result, and what went wrong with it.
struct JoinFault
{
    enum class Kind
    {
        Read,   // a piece missing, short or unreadable; a record that cannot be read
        Create, // a file that cannot be created or moved to its name
        Write,  // a write, or making it durable, failed
    };
    Kind kind = Kind::Write;
    QString path;
};
