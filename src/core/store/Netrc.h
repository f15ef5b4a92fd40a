#pragma once

#include "store/ProjectAccess.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The user's ~/.netrc, where logins for hosts are kept as curl, ftp and wget read them: entries
// "machine NAME" (or "default", for every other machine) followed by "login USER" and
// "password PASSWORD". Words are separated by blanks and line breaks; a word in double quotes may
// hold blanks, and a backslash there keeps the next character; "#" starts a comment up to the line
// end; "account NAME" is passed over, and so is the body of "macdef NAME", up to the next blank
// line.
namespace Netrc {

// A longer file is no file of logins.
inline constexpr qsizetype MaxBytes = 64 * 1024;

// The login of the first entry for host (any letter case), else, with orDefault, of "default";
// nullopt when there is none or the text is longer than MaxBytes.
std::optional<Login> loginFor(const QByteArray &text, const QString &host, bool orDefault = true);

// The login ~/.netrc gives host, empty when the file is missing or names none. "default" serves
// FTP only (orDefault): a web server is never sent a login that was not written for it. A login
// of a file that other users may read or change, or that is not the user's, is not used:
// `refusal` then says why.
struct Lookup
{
    Login login;
    QString refusal;
};
Lookup lookUp(const QString &host, bool orDefault);

} // namespace Netrc
