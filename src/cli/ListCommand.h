#pragma once

#include "Workspace.h"

#include <QList>
#include <QString>

struct ProjectEntry;

// `quillfetch-cli list [--json]`: the projects of the data folder, one a line, tab-separated:
// name, state (waiting, running, paused, finished, failed), size and received bytes, and the URL
// without any user name or password it holds; with --json the same as a JSON array. It reads the
// data folder without taking the lock, so it answers while the window or a run holds it: a
// started project is then running, or paused when its pack log holds packs left half-done.
class ListCommand final
{
public:
    explicit ListCommand(bool json);

    int exec();

private:
    struct Row
    {
        QString name;
        QString state;
        qint64 size = 0;
        qint64 received = 0;
        QString url;
    };

    QList<Row> rows() const;
    Row startedRow(const ProjectEntry &entry, bool heldElsewhere) const;
    void printLines(const QList<Row> &rows) const;
    void printJson(const QList<Row> &rows) const;

    bool m_json;
    Workspace m_workspace;
};
