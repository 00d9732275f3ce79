// DateTime (days since 1899-12-30) to and from the Qt pickers' QDate and
// QTime, for the date and time pickers of the report filters.
#pragma once

#include <QDate>
#include <QTime>
#include <cmath>

#include "records/date_time.h"

namespace brenvik {

inline QDate ToQDate(DateTime value) {
  return QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(value)));
}
inline QTime ToQTime(DateTime value) {
  const double fraction = value - std::floor(value);
  return QTime(0, 0).addSecs(static_cast<int>(std::lround(fraction * 86400.0)) % 86400);
}
inline DateTime FromQDate(const QDate& date) {
  return static_cast<DateTime>(QDate(1899, 12, 30).daysTo(date));
}
inline DateTime FromQTime(const QTime& time) { return QTime(0, 0).secsTo(time) / 86400.0; }

}  // namespace brenvik
