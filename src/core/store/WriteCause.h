#pragma once

#include <QString>

// Why a file could not be written, as the user is told: the system's error number (errno),
// taken right after the failing call and carried as a plain value to the message.

// One line naming a full disk, a read-only one or a denied permission; empty for any other
// error number (0: nothing known).
QString writeCauseText(int systemError);
