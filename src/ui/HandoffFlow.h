#pragma once

#include "wire/HandoffMessage.h"

#include <QList>
#include <QObject>

class HandoffListener;
class MainWindow;
class Probe;

// What a hand-off does to the window: any message brings the "Projects" tab forward; a URL
// lifts the window above the others (its state and visibility stay as they are) and goes to
// the probe as if typed, with what the browser sent with it, which puts it into the URL field
// and queues it behind a running probe or an open new-project dialog. URLs that arrive before
// the start-up has loaded the store wait for it.
class HandoffFlow final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandoffFlow)

public:
    HandoffFlow(MainWindow &window, HandoffListener &listener, Probe &probe,
                QObject *parent = nullptr);

private:
    void showProjects();
    void takeUrl(const HandedOver &handedOver);
    void startupFinished();

    MainWindow &m_window;
    Probe &m_probe;
    bool m_started = false;
    QList<HandedOver> m_early;
};
