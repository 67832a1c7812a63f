#pragma once
// Date-times as the catalog stores them: a double counting days since
// 1899-12-30 00:00 local time, the fraction being the time of day.

#include <QDateTime>
#include <QString>

#include <sys/stat.h>

namespace glimr {

double DateTimeToDays(const QDateTime& local);
QDateTime DaysToDateTime(double days);

// The file's modification time (to the millisecond, local time) as days;
// 0 when the file does not exist. The same file always gives the same double.
double FileModDays(const QString& path);
// The same from a stat() the caller already made (no second look at the
// disk): equal to FileModDays of that file.
double StatModDays(const struct stat& st);

}  // namespace glimr
