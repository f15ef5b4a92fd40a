#include "store/FileNames.h"

namespace FileNames {

namespace {

bool isRefused(QChar c)
{
    static const QString refused = QStringLiteral("/\\<>:\"|?*");
    return refused.contains(c) || c.category() == QChar::Other_Control;
}

// A surrogate without its partner has no encoding on disk and would become "?" there.
bool isLoneSurrogate(const QString &name, qsizetype i)
{
    const QChar c = name.at(i);
    if (c.isHighSurrogate())
        return i + 1 >= name.size() || !name.at(i + 1).isLowSurrogate();
    if (c.isLowSurrogate())
        return i == 0 || !name.at(i - 1).isHighSurrogate();
    return false;
}

} // namespace

QString safe(const QString &name)
{
    QString result = name;
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (isRefused(result.at(i)) || isLoneSurrogate(name, i))
            result[i] = QLatin1Char('_');
    }
    // Windows drops trailing dots and spaces, so "a." and "a" would be the same entry there;
    // a dots-only name ends up empty here as well.
    while (!result.isEmpty() &&
           (result.back() == QLatin1Char('.') || result.back() == QLatin1Char(' ')))
        result.chop(1);
    return result.isEmpty() ? QString::fromLatin1(Fallback) : result;
}

bool isSafe(const QString &name)
{
    return safe(name) == name;
}

QString baseName(const QString &fileName)
{
    return safe(fileName.section(QLatin1Char('.'), 0, 0));
}

} // namespace FileNames
