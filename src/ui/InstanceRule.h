#pragma once

#include <QStringList>

class MessagePresenter;
class SingleInstance;

// Only one Quillfetch runs at a time. A second copy started by the user (no arguments) says
// why it ends; one started with arguments (by the hand-off client or the session) ends
// silently and leaves the work to the running copy.
// True when this process may run; false when it is to end at once.
bool claimSingleInstance(SingleInstance &instance, const QStringList &arguments,
                         MessagePresenter &messages);
