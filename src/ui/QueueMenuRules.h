#pragma once

// Which entries of the running-and-waiting list's menu apply to a row. Rows are 1-based;
// while a project runs it is row 1 and cannot move, and no waiting project may pass it.
struct QueueMenuRules
{
    bool moveUp = false;
    bool moveDown = false;
    bool cancel = false;

    static QueueMenuRules forRow(int row, int rowCount, bool running);

    bool operator==(const QueueMenuRules &) const = default;
};
