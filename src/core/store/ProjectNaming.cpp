#include "store/ProjectNaming.h"

#include "store/FileNames.h"

QString secondsSinceMidnightText(const QTime &now, const QLocale &locale)
{
    // Hundredths of a second held in a single-precision number, printed with the seven
    // significant digits that such a number carries: 45296.17, 45296.2, 45296.
    const float seconds = float(now.msecsSinceStartOfDay() / 10) / 100.0f;
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(seconds, 'g', 7);
}

QString freeSuffix(const QTime &now, const std::function<bool(const QString &)> &isTaken,
                   const QLocale &locale)
{
    if (!isTaken(QString()))
        return {};
    const QString stamped = QLatin1Char('_') + secondsSinceMidnightText(now, locale);
    QString suffix = stamped;
    for (int n = 2; isTaken(suffix); ++n)
        suffix = stamped + QLatin1Char('_') + QString::number(n);
    return suffix;
}

QString chooseProjectName(const QString &fileName, const QTime &now,
                          const std::function<bool(const QString &)> &isTaken,
                          const QLocale &locale)
{
    const QString base = FileNames::baseName(FileNames::safe(fileName));
    const auto named = [&base](const QString &suffix) { return FileNames::safe(base + suffix); };
    return named(freeSuffix(
        now, [&](const QString &suffix) { return isTaken(named(suffix)); }, locale));
}

QString withSuffix(const QString &fileName, const QString &suffix)
{
    QString name = fileName;
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return name.insert(dot < 0 ? name.size() : dot, suffix);
}

QString finalFileName(const QString &fileName, const QString &project, const QString &extra)
{
    const QString base = FileNames::baseName(fileName);
    const QString suffix = project.mid(base.size());
    const bool chosenFromIt =
        project.startsWith(base) && (suffix.isEmpty() || suffix.startsWith(QLatin1Char('_')));
    return withSuffix(fileName, (chosenFromIt ? suffix : QString()) + extra);
}
