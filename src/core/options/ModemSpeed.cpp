#include "options/ModemSpeed.h"

#include <cmath>

std::optional<double> typedNumber(const QString &text, const QLocale &locale)
{
    bool ok = false;
    double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<QString> modemSpeedToStore(const QString &text, const QLocale &locale)
{
    // The graphs are scaled by this speed: zero or less would give them no height.
    const std::optional<double> speed = typedNumber(text, locale);
    if (!speed || *speed <= 0)
        return std::nullopt;
    return QLocale::c().toString(*speed, 'f', QLocale::FloatingPointShortest);
}
