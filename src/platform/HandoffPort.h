#pragma once

#include <QtGlobal>

// The TCP port of the hand-off between Catchlink and Quillfetch, on the loopback address.
// Windows: 998. Elsewhere ports below 1024 need privileges, so 10998. Tests run both programs
// on a free port of their own by setting QUILLFETCH_HANDOFF_PORT.
quint16 handoffPort();
