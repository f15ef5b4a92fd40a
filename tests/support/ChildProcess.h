#pragma once

class QProcess;

// Lifetime of a server process started by a fixture: it dies with the test process even when
// the test crashes, and stop() ends it for sure (terminate, then kill).
namespace ChildProcess {

void dieWithParent(QProcess &process); // call before start()
void stop(QProcess &process);

} // namespace ChildProcess
