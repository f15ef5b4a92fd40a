#pragma once

#include <QIcon>

// The program's icon, drawn at the usual sizes: a down arrow over a bar, in blue.
QIcon quillfetchIcon();
