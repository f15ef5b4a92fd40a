#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

#include <functional>

// Chooses a new project's name from the file name of its URL: the (safe) base name; when a
// project folder of that name exists, base name & "_" & the seconds since midnight to the
// hundredth as a single-precision number prints it in the locale (45296.17, 45296.2, 45296);
// when that exists too, a further "_2", "_3", ... makes it unique.
QString chooseProjectName(const QString &fileName, const QTime &now,
                          const std::function<bool(const QString &)> &folderExists,
                          const QLocale &locale = QLocale());

// The seconds-since-midnight suffix alone.
QString secondsSinceMidnightText(const QTime &now, const QLocale &locale = QLocale());
