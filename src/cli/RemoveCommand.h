#pragma once

#include "Workspace.h"

#include <QString>

// `quillfetch-cli remove NAME`: a waiting or started project is cancelled as the window's "Cancel
// project" does, with the files it made (its pieces, its joined file, its receive folder once
// empty, its project folder) and nothing else; a finished one leaves the list as with "Delete
// statistics", its file staying. Holds the lock, so it refuses while the window or a run works.
class RemoveCommand final
{
public:
    explicit RemoveCommand(const QString &project);

    int exec();

private:
    QString m_project;
    Workspace m_workspace;
};
