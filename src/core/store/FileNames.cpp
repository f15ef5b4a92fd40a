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

qsizetype utf8Bytes(QStringView text)
{
    return text.toUtf8().size();
}

// The longest start of text that takes at most `bytes` bytes of UTF-8, surrogate pairs kept
// whole.
QString firstBytes(const QString &text, qsizetype bytes)
{
    qsizetype end = 0;
    qsizetype used = 0;
    while (end < text.size()) {
        const qsizetype step = text.at(end).isHighSurrogate() ? 2 : 1;
        used += utf8Bytes(QStringView(text).mid(end, step));
        if (used > bytes)
            break;
        end += step;
    }
    return text.left(end);
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

QString fitted(const QString &name)
{
    const QString whole = safe(name);
    if (utf8Bytes(whole) <= MaxNameBytes)
        return whole;
    const qsizetype dot = whole.lastIndexOf(QLatin1Char('.'));
    QString extension = dot > 0 ? whole.mid(dot) : QString();
    // A "extension" as long as the name is no extension worth keeping.
    if (utf8Bytes(extension) > MaxNameBytes / 2)
        extension.clear();
    const QString stem = whole.left(whole.size() - extension.size());
    return safe(firstBytes(stem, MaxNameBytes - utf8Bytes(extension)) + extension);
}

QString baseName(const QString &fileName)
{
    return safe(fileName.section(QLatin1Char('.'), 0, 0));
}

} // namespace FileNames
