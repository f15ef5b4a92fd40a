#pragma once

#include "store/ProjectAccess.h"
#include "wire/ServerRefusal.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <optional>

// How a slot's data connection is made: the server connects to a port the slot listens on
// (PORT), or the slot connects to the port the server names (EPSV, or PASV for servers that do
// not know EPSV).
enum class FtpDataMode
{
    Active,
    Epsv,
    Pasv
};

// The texts Quillfetch sends to an FTP server and the meaning of the replies it reads.
namespace FtpCommands {

// The anonymous password, in the form of an e-mail address.
inline constexpr QByteArrayView AnonymousPassword = "quillfetch@example.com";

// "PORT h1,h2,h3,h4,p1,p2" for an IPv4 address and a port listened on; nullopt for an address
// PORT cannot carry (IPv6).
std::optional<QByteArray> portCommand(const QHostAddress &address, quint16 port);
// "EPSV" for the extended passive mode, else "PASV".
QByteArray passiveCommand(FtpDataMode mode);

// The whole request of one pack, each line ended by CR LF, sent at once on connection: login
// (anonymous unless one is given), binary type, the file's size and, with askTime, its time (what
// shows the file unchanged), dataCommand ("PORT ...", "EPSV" or "PASV"), the restart offset and the
// file. A pack from the file's first byte asks no restart, so that a server without REST serves it
// too. path is the file's path as the server names it (escapes decoded).
QByteArray burst(const QByteArray &dataCommand, qint64 restOffset, const QString &path,
                 bool askTime, const Login &login = {});

// The probe's request, sent without waiting for the greeting: login (anonymous unless one is
// given), binary type, the file's size and time, and a restart offset that shows whether the
// server takes one. The replies come back in order.
QByteArray probeBurst(const QString &path, const Login &login = {});

// Sent once the piece holds its whole pack: the rest of the stream is not wanted.
inline constexpr QByteArrayView ClosingText = "ABOR\r\nQUIT\r\n";
// Sent by the probe before it closes a connection it no longer needs.
inline constexpr QByteArrayView QuitText = "QUIT\r\n";

// The port named by the text of a 229 reply, "Entering Extended Passive Mode (|||6446|)".
std::optional<quint16> epsvPort(const QByteArray &text);
// The port named by the text of a 227 reply, "Entering Passive Mode (h1,h2,h3,h4,p1,p2)".
std::optional<quint16> pasvPort(const QByteArray &text);

// A reply that starts the transfer (1xx) or says it is over (226, 250).
bool isTransferReply(int code);

// A code by which a server refuses to set up a data connection the way it was asked (425: it
// cannot open it; 500, 501, 502, 504: the command is refused, malformed or not implemented).
bool refusesDataConnection(int code);

// What a negative reply refuses for good: nullopt for a transient one (4xx). A missing file
// shows as a 550 before the size's 213 answer, since SIZE is the first command naming the file.
std::optional<ServerRefusal> refusalOf(int code, bool sizeTold);

inline constexpr int RestAccepted = 350;
inline constexpr int FileStatus = 213; // the answer to SIZE and to MDTM
inline constexpr int EpsvAccepted = 229;
inline constexpr int PasvAccepted = 227;

} // namespace FtpCommands
