#include "search/criteria.h"

#include <QTime>

#include <algorithm>
#include <cmath>

#include "common/datetime.h"

namespace glimr {

namespace {

// One millisecond in the catalog's day units.
constexpr double kMillisecond = 1.0 / 86400000.0;

int CompareDays(double a, double b) {
  if (std::fabs(a - b) < kMillisecond) {
    return 0;
  }
  return a < b ? -1 : 1;
}

CompareOp OpOfItem(TOperatorItem item) {
  return static_cast<CompareOp>(static_cast<int>(item) + 1);
}

// The criterion of a "Let me set..." row: "between" takes its two numbers
// in either order, the other operators only the first.
TComparObj::IntCriterion FromCondition(const TNumberCondition& c, std::int64_t scale) {
  TComparObj::IntCriterion r;
  r.Op = OpOfItem(c.Operator);
  if (r.Op == coBetween) {
    r.B = std::min(c.First, c.Second) * scale;
    r.C = std::max(c.First, c.Second) * scale;
  } else {
    r.B = c.First * scale;
  }
  return r;
}

TComparObj::IntCriterion Criterion(CompareOp op, std::int64_t b, std::int64_t c = 0) {
  return {op, b, c};
}

double DayStart(const QDate& d) {
  return DateTimeToDays(QDateTime(d, QTime(0, 0)));
}

TComparObj::DateCriterion FromUntil(const QDate& from, const QDate& until) {
  return {coFromUntil, DayStart(from), DayStart(until)};
}

}  // namespace

bool CompareInt(CompareOp op, std::int64_t a, std::int64_t b, std::int64_t c) {
  switch (op) {
    case coAny:
      return true;
    case coEqual:
      return a == b;
    case coNotEqual:
      return a != b;
    case coMore:
      return a > b;
    case coMoreOrEqual:
      return a >= b;
    case coLess:
      return a < b;
    case coLessOrEqual:
      return a <= b;
    case coBetween:
      return b <= a && a <= c;
    case coFromUntil:
      return b <= a && a < c;
  }
  return false;
}

bool CompareDate(CompareOp op, double a, double b, double c) {
  const int ab = CompareDays(a, b);
  switch (op) {
    case coAny:
      return true;
    case coEqual:
      return ab == 0;
    case coNotEqual:
      return ab != 0;
    case coMore:
      return ab > 0;
    case coMoreOrEqual:
      return ab >= 0;
    case coLess:
      return ab < 0;
    case coLessOrEqual:
      return ab <= 0;
    case coBetween:
      return ab >= 0 && CompareDays(a, c) <= 0;
    case coFromUntil:
      return ab >= 0 && CompareDays(a, c) < 0;
  }
  return false;
}

bool TComparObj::MatchesCriteria(TImageFileInfo& record, const TDimensionsReader& readDimensions,
                                 bool fileChanged) const {
  bool width = true;
  bool height = true;
  if (NeedDimensions) {
    const QString path = record.FullPath();
    if (fileChanged || record.Width == 0 || record.Height == 0 ||
        FileModDays(path) != record.FileDate) {
      std::int32_t w = 0;
      std::int32_t h = 0;
      if (!readDimensions || !readDimensions(path, record.TypeName, w, h)) {
        w = 0;
        h = 0;
      }
      if (w != record.Width || h != record.Height) {
        record.Modified = true;
      }
      record.Width = w;
      record.Height = h;
    }
    width = TestWidth(record.Width);
    height = TestHeight(record.Height);
  }
  return width && height && TestSize(record.FileSize) && TestDate(record.FileDate) &&
         TestRating(record.Rating);
}

TComparObj BuildCriteria(const TPropertyChoices& choices, const QDate& today) {
  TComparObj r;
  // Each type once and in upper case, as a folder load writes TYPENAME: a
  // type listed twice would find its files twice.
  const QStringList& types =
      choices.FileTypes.isEmpty() ? choices.SupportedTypes : choices.FileTypes;
  for (const QString& t : types) {
    QString type = (t.startsWith(QLatin1Char('.')) ? t.mid(1) : t).toUpper();
    if (!type.isEmpty() && !r.SearchTypes.contains(type)) {
      r.SearchTypes.append(type);
    }
  }

  r.NeedDimensions = true;
  switch (choices.Dimensions) {
    case TDimensionChoice::Any:
      r.NeedDimensions = false;
      break;
    case TDimensionChoice::Small:
      r.Width = r.Height = Criterion(coLessOrEqual, 100);
      break;
    case TDimensionChoice::Average:
      r.Width = r.Height = Criterion(coBetween, 100, 1024);
      break;
    case TDimensionChoice::Big:
      r.Width = r.Height = Criterion(coMoreOrEqual, 1024);
      break;
    case TDimensionChoice::Special:
      if (choices.Width.Enabled) {
        r.Width = FromCondition(choices.Width, 1);
      }
      if (choices.Height.Enabled) {
        r.Height = FromCondition(choices.Height, 1);
      }
      r.NeedDimensions = choices.Width.Enabled || choices.Height.Enabled;
      break;
  }

  switch (choices.Size) {
    case TSizeChoice::Any:
      break;
    case TSizeChoice::Small:
      r.Size = Criterion(coLessOrEqual, 102400);
      break;
    case TSizeChoice::Average:
      r.Size = Criterion(coBetween, 102400, 1048576);
      break;
    case TSizeChoice::Big:
      r.Size = Criterion(coMoreOrEqual, 1048576);
      break;
    case TSizeChoice::Special:
      r.Size = FromCondition(choices.SizeKB, 1024);
      break;
  }

  switch (choices.Date) {
    case TDateChoice::Any:
      break;
    case TDateChoice::Today:
      r.Date = FromUntil(today, today.addDays(1));
      break;
    case TDateChoice::LastWeek: {
      // Weeks run Sunday to Saturday; s is the Saturday that ended last week.
      const int dayOfWeek = today.dayOfWeek() % 7 + 1;  // Sunday = 1 ... Saturday = 7
      const QDate s = today.addDays(-dayOfWeek);
      r.Date = FromUntil(s.addDays(-6), s.addDays(1));
      break;
    }
    case TDateChoice::LastMonth: {
      const QDate e = today.addDays(-today.day());
      r.Date = FromUntil(e.addDays(1 - e.daysInMonth()), e.addDays(1));
      break;
    }
    case TDateChoice::LastYear: {
      const QDate e = today.addDays(-today.dayOfYear());
      r.Date = FromUntil(e.addDays(1 - e.daysInYear()), e.addDays(1));
      break;
    }
    case TDateChoice::Special: {
      const double first = DateTimeToDays(choices.DateFirst);
      const double second = DateTimeToDays(choices.DateSecond);
      switch (choices.DateOperator) {
        case TDateOperator::Before:
          r.Date = {coLess, first, 0.0};
          break;
        case TDateOperator::After:
          r.Date = {coMore, first, 0.0};
          break;
        case TDateOperator::Between:
          r.Date = {coBetween, std::min(first, second), std::max(first, second)};
          break;
      }
      break;
    }
  }

  if (choices.Rating == TRatingChoice::Special) {
    r.Rating = FromCondition(choices.Stars, 1);
  }
  return r;
}

TComparObj BuildCriteria(const TPropertyChoices& choices) {
  return BuildCriteria(choices, QDate::currentDate());
}

}  // namespace glimr
