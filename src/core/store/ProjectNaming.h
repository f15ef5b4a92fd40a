#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

#include <functional>

// Chooses a new project's name from the file name of its URL: the (safe) base name; when that
// name is taken (its project folder, or one of the names of the download folder that a project
// of that name would use), base name & "_" & the seconds since midnight to the hundredth as a
// single-precision number prints it in the locale (45296.17, 45296.2, 45296); when that is taken
// too, a further "_2", "_3", ... makes it unique.
QString chooseProjectName(const QString &fileName, const QTime &now,
                          const std::function<bool(const QString &)> &isTaken,
                          const QLocale &locale = QLocale());

// The same rule for any name: the first of "", "_<seconds>", "_<seconds>_2", "_<seconds>_3", ...
// whose name `isTaken` refuses not.
QString freeSuffix(const QTime &now, const std::function<bool(const QString &suffix)> &isTaken,
                   const QLocale &locale = QLocale());

// The file name with the suffix inserted before its first "." (appended when it has none):
// ("setup.tar.gz", "_2") gives "setup_2.tar.gz".
QString withSuffix(const QString &fileName, const QString &suffix);

// The name the finished file takes in the download folder: the file name with what the project
// name adds to its base name, so that it is as free as the project name was when the probe
// chose it ("setup.exe" of the project "setup_45296.17" becomes "setup_45296.17.exe"), and
// `extra` after that.
QString finalFileName(const QString &fileName, const QString &project,
                      const QString &extra = QString());

// The seconds-since-midnight suffix alone.
QString secondsSinceMidnightText(const QTime &now, const QLocale &locale = QLocale());
