#include "options/RateText.h"

#include <QLocale>

#include <cmath>

namespace {
// Far beyond any link; keeps the bytes per second within 64 bits.
constexpr double MostBytesPerSecond = 1e15;
} // namespace

std::optional<qint64> bytesPerSecond(const QString &text, qint64 unit)
{
    QString number = text.trimmed();
    const QString units = QStringLiteral("kmg");
    const qsizetype power = number.isEmpty() ? -1 : units.indexOf(number.back().toLower());
    if (power >= 0) {
        number.chop(1);
        unit = qint64(1) << (10 * (power + 1));
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok) * double(unit);
    if (!ok || !std::isfinite(value) || value < 0 || value > MostBytesPerSecond)
        return std::nullopt;
    return qRound64(value);
}
