#include "common/datetime.h"

#include <QFileInfo>
#include <QTimeZone>

#include <cmath>

namespace glimr {

namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
}  // namespace

double DateTimeToDays(const QDateTime& dt) {
  const QDateTime local = dt.toLocalTime();
  const double whole = static_cast<double>(kEpoch.daysTo(local.date()));
  const double frac = local.time().msecsSinceStartOfDay() / kMsPerDay;
  // Days before the epoch count the fraction away from zero, as the stored
  // format always has; no real file date is that old, but keep it symmetric.
  return whole >= 0 ? whole + frac : whole - frac;
}

QDateTime DaysToDateTime(double days) {
  const double whole = std::trunc(days);
  const double frac = std::fabs(days - whole);
  QDate date = kEpoch.addDays(static_cast<qint64>(whole));
  qint64 ms = std::llround(frac * kMsPerDay);
  if (ms >= 86400000) {
    date = date.addDays(1);
    ms = 0;
  }
  // Wall-clock fields, not an offset added to midnight, so a day with a
  // daylight-saving switch still maps back to the same local time.
  return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

double FileModDays(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return 0.0;
  }
  return DateTimeToDays(info.lastModified());
}

double StatModDays(const struct stat& st) {
  const qint64 ms = static_cast<qint64>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
  return DateTimeToDays(QDateTime::fromMSecsSinceEpoch(ms));
}

}  // namespace glimr
