#pragma once

#include <QByteArray>
#include <QStringList>

// The text of "main.qfd": one project name per line, each ended by CR LF, in list order.
namespace MainList {

struct Names
{
    QStringList names;    // in file order, each safe as a folder name and each once
    bool damaged = false; // a line named no project folder: unsafe, or not UTF-8
};

// The names of the complete lines. A last name without its CR LF (a torn write) is left out;
// an unsafe name is left out and marks the list damaged; a repeated name counts once.
Names read(const QByteArray &text);

} // namespace MainList
