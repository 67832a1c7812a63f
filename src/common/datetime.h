#pragma once
// Date-times as the catalog stores them: a double counting days since
// 1899-12-30 00:00 local time, the fraction being the time of day.

#include <QDateTime>
#include <QString>

namespace glimr {

double DateTimeToDays(const QDateTime& local);
QDateTime DaysToDateTime(double days);

// The file's modification time (to the millisecond, local time) as days;
// 0 when the file does not exist. The same file always gives the same double.
double FileModDays(const QString& path);

}  // namespace glimr
