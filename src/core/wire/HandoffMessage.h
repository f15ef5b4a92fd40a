#pragma once

#include "store/ProjectAccess.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A URL handed over, with what the browser sends with it (empty from a terminal).
struct HandedOver
{
    HandedOver() = default;
    // Implicit: a URL alone is a whole hand-off.
    HandedOver(const QString &url, const BrowserHeaders &browser = {}) : url(url), browser(browser)
    {}

    QString url;
    BrowserHeaders browser;

    bool operator==(const HandedOver &) const = default;
};

// The one message of a hand-off connection: "--ZRK--" directly followed by the URL in UTF-8,
// with no terminator and no length field. What the browser sends with it follows the URL as
// lines "Cookie: ...", "Referer: ..." and "User-Agent: ...", each begun by LF; a URL holds no
// line break, so a message without them is the URL alone.
namespace HandoffMessage {

inline constexpr char Marker[] = "--ZRK--";
// A longer message is no hand-off: it only brings the "Projects" tab forward.
inline constexpr qsizetype MaxBytes = 64 * 1024;

// The lines of empty values are left out.
QByteArray compose(const HandedOver &handedOver);
// What a message hands over; nullopt when it lacks the marker, is too long or not UTF-8, its URL
// is blank, a value is empty or holds a control character, or a line names no header, or one
// twice.
std::optional<HandedOver> read(const QByteArray &message);
// The message composed for it reads back the same: it can be handed over as it is.
bool carries(const HandedOver &handedOver);

} // namespace HandoffMessage
