#pragma once

#include "probe/ProbeResult.h"
#include "store/ProjectRecord.h"

#include <QString>

class Settings;

// The options a new project carries: the settings when the new-project dialog opens, changed
// only through the options dialog.
struct NewProjectOptions
{
    QString downloadFolder; // ends with a separator
    qint64 packSize = 0;
    bool showModem = true;

    static NewProjectOptions fromSettings(const Settings &settings);
};

// A server without range support sends the whole file in one answer: its project can be
// downloaded only while the file fits in one pack.
bool fitsTransfer(const ProbeResult &result, qint64 packSize);

// The fourteen-line record of a new project: the probe's URL and size, the options, the colours
// of the current settings, the type ("1" FTP, "0" HTTP) and "status:1".
ProjectRecord newProjectRecord(const ProbeResult &result, const NewProjectOptions &options,
                               const Settings &settings);
