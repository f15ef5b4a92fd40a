#include "platform/HandoffPort.h"

#include <QString>

namespace {

#ifdef Q_OS_WIN
constexpr quint16 ProgramPort = 998;
#else
constexpr quint16 ProgramPort = 10998;
#endif

} // namespace

quint16 handoffPort()
{
    bool ok = false;
    const uint port = qEnvironmentVariable("QUILLFETCH_HANDOFF_PORT").toUInt(&ok);
    return ok && port > 0 && port <= 65535 ? quint16(port) : ProgramPort;
}
