#include "progress/DisplayText.h"

#include <cmath>
#include <limits>

namespace {

constexpr qint64 Kb = 1024;
constexpr qint64 Mb = 1000 * Kb;

// value / divisor with two decimals, rounded half away from zero. Integer arithmetic keeps
// exact halves exact (1152 / 1024 = 1.125 gives "1.13"), which a double would not for Mb.
QString twoDecimals(qint64 value, qint64 divisor, bool grouped, const QLocale &locale)
{
    const bool negative = value < 0;
    const quint64 magnitude = negative ? 0 - quint64(value) : quint64(value);
    const quint64 d = quint64(divisor);
    const quint64 hundredths = magnitude / d * 100 + (magnitude % d * 200 + d) / (2 * d);

    QLocale digits = locale;
    const QLocale::NumberOptions options = locale.numberOptions();
    digits.setNumberOptions(grouped ? options & ~QLocale::NumberOptions(QLocale::OmitGroupSeparator)
                                    : options | QLocale::OmitGroupSeparator);
    QString fraction = digits.toString(qulonglong(hundredths % 100));
    if (hundredths % 100 < 10)
        fraction.prepend(locale.zeroDigit());
    return (negative ? locale.negativeSign() : QString()) +
           digits.toString(qulonglong(hundredths / 100)) + locale.decimalPoint() + fraction;
}

QString rangedText(qint64 value, const QLocale &locale, const char *bytesSuffix,
                   const char *kbSuffix, const char *mbSuffix)
{
    if (value < Kb)
        return QString::number(value) + QLatin1String(bytesSuffix);
    if (value < Mb)
        return twoDecimals(value, Kb, false, locale) + QLatin1String(kbSuffix);
    return twoDecimals(value, Mb, true, locale) + QLatin1String(mbSuffix);
}

} // namespace

QString Format_Taille(qint64 bytes, const QLocale &locale)
{
    return rangedText(bytes, locale, " Bytes", " Kb", " Mb");
}

QString Format_Vitesse(qint64 bytesPerSecond, const QLocale &locale)
{
    return rangedText(bytesPerSecond, locale, " Bytes", " Kb/s", " Mb/s");
}

QString Format_Temps(qint64 seconds)
{
    const qint64 s = qMax<qint64>(seconds, 0);
    return clockText(s / 3600, int(s / 60 % 60), int(s % 60));
}

QString bitRateText(double bytesPerSecond)
{
    const double kbits = bytesPerSecond / 128;
    // llround is undefined outside the range of long long: such rates are shown as 0.
    const bool representable =
        std::isfinite(kbits) && std::fabs(kbits) < double(std::numeric_limits<qint64>::max());
    return QString::number(representable ? std::llround(kbits) : 0) + QStringLiteral(" Kbit/s");
}

QString clockText(qint64 hours, int minutes, int seconds)
{
    const QChar zero(u'0');
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, zero)
        .arg(minutes, 2, 10, zero)
        .arg(seconds, 2, 10, zero);
}
