#include "wire/ByteCount.h"

#include <limits>

std::optional<qint64> parseByteCount(QByteArrayView text)
{
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const int digit = c - '0';
        if (value > (Max - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}
