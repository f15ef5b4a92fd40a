#pragma once

#include <QLocale>
#include <QString>

// Text renderings of sizes, speeds and durations. 1 Kb is 1024 bytes and 1 Mb is 1024000
// bytes; numbers use the locale's separators.

// "1023 Bytes", "1.00 Kb", "1,000.00 Mb"
QString Format_Taille(qint64 bytes, const QLocale &locale = QLocale());
// "1023 Bytes", "1.00 Kb/s", "1.00 Mb/s"
QString Format_Vitesse(qint64 bytesPerSecond, const QLocale &locale = QLocale());
// "00:00:59", "00:01:00", "01:00:00", "100:00:00"
QString Format_Temps(qint64 seconds);
// bytes per second / 128, rounded, & " Kbit/s": "16 Kbit/s"
QString bitRateText(double bytesPerSecond);
// The clock text "hh:mm:ss" of an elapsed time given in fields.
QString clockText(qint64 hours, int minutes, int seconds);
