#pragma once

#include <QString>
#include <QtGlobal>

// The local socket through which Catchlink hands a URL to the running Quillfetch. Only this
// user may reach it: it lies in the user's runtime folder ($XDG_RUNTIME_DIR, or the per-user
// folder Qt makes when that is unset), which no other user may enter. Tests give both programs
// a socket of their own through QUILLFETCH_HANDOFF_SOCKET, the socket's path.
namespace HandoffSocket {

// Empty when the user has no runtime folder.
QString name();
// The folder holding the socket is this user's own, a real folder and closed to everyone else
// (mode 0700): nobody else can connect, listen there first or replace the socket.
bool isPrivate(const QString &name);
// A socket file left by a run that ended without removing it: nobody accepts on it any more.
// Anything else at that path (a live socket, a file) is not ours to remove.
bool isAbandoned(const QString &name);
// Tells the peer that nothing more follows, while the answer can still be read. False where
// the system cannot half-close the connection: the caller then closes it.
bool endWriting(qintptr descriptor);

} // namespace HandoffSocket
