#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// A number typed by the user, in the C locale ("33.6") or in the user's own ("33,6").
std::optional<double> typedNumber(const QString &text, const QLocale &locale);

// The text stored for a typed modem speed: the C-locale form of a positive number, so that
// every reader of the setting understands it; nullopt when the text is not one.
std::optional<QString> modemSpeedToStore(const QString &text, const QLocale &locale);
