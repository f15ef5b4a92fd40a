#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The one message of a hand-off connection: "--ZRK--" directly followed by the URL in UTF-8,
// with no terminator and no length field.
namespace HandoffMessage {

inline constexpr char Marker[] = "--ZRK--";
// A longer message is no hand-off: it only brings the "Projects" tab forward.
inline constexpr qsizetype MaxBytes = 64 * 1024;

QByteArray compose(const QString &url);
// The URL a message carries; nullopt when it lacks the marker, is too long, or what follows
// the marker is no URL (empty, blank, not UTF-8, or holding control characters).
std::optional<QString> urlOf(const QByteArray &message);

} // namespace HandoffMessage
