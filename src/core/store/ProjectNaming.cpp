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

QString chooseProjectName(const QString &fileName, const QTime &now,
                          const std::function<bool(const QString &)> &folderExists,
                          const QLocale &locale)
{
    const QString base = FileNames::baseName(FileNames::safe(fileName));
    if (!folderExists(base))
        return base;
    const QString stamped =
        FileNames::safe(base + QLatin1Char('_') + secondsSinceMidnightText(now, locale));
    QString name = stamped;
    for (int n = 2; folderExists(name); ++n)
        name = stamped + QLatin1Char('_') + QString::number(n);
    return name;
}
