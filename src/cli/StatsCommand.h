#pragma once

#include "Workspace.h"

#include <QString>

// `quillfetch-cli stats NAME`: prints what the statistics window shows of a finished project,
// one "Caption: value" line per field, and the number of graph snapshot pairs saved.
class StatsCommand final
{
public:
    explicit StatsCommand(const QString &project);

    int exec();

private:
    QString m_project;
    Workspace m_workspace;
};
