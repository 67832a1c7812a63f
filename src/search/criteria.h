#pragma once
// Search criteria: the file types to look for and one comparison each for
// width, height, file size, file date and rating, built from the property
// choices and tested against one image record.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

#include "catalog/imagefileinfo.h"
#include "search/searchrequest.h"

namespace glimr {

enum CompareOp : std::uint8_t {
  coAny = 0,
  coEqual = 1,
  coNotEqual = 2,
  coMore = 3,
  coMoreOrEqual = 4,
  coLess = 5,
  coLessOrEqual = 6,
  coBetween = 7,   // B <= A <= C
  coFromUntil = 8  // B <= A < C, dates only
};

// Integer comparison of A with bounds B and C, exact in 64 bits.
bool CompareInt(CompareOp op, std::int64_t a, std::int64_t b, std::int64_t c);
// Date comparison in days since 1899-12-30: two date-times less than one
// millisecond apart count as equal.
bool CompareDate(CompareOp op, double a, double b, double c);

// Reads the full image size of a file through the plug-in of its type;
// false (and 0 by 0) when there is no plug-in or no size to read.
using TDimensionsReader = std::function<bool(const QString& fullPath, const QString& typeName,
                                             std::int32_t& width, std::int32_t& height)>;

class TComparObj {
 public:
  struct IntCriterion {
    CompareOp Op = coAny;
    std::int64_t B = 0;
    std::int64_t C = 0;
  };
  struct DateCriterion {
    CompareOp Op = coAny;
    double B = 0.0;  // days since 1899-12-30, local time
    double C = 0.0;
  };

  // Upper case, without the dot, in order; empty means nothing is searched.
  QStringList SearchTypes;
  IntCriterion Width, Height, Size, Rating;
  DateCriterion Date;
  bool NeedDimensions = true;

  bool TestWidth(std::int64_t a) const { return CompareInt(Width.Op, a, Width.B, Width.C); }
  bool TestHeight(std::int64_t a) const { return CompareInt(Height.Op, a, Height.B, Height.C); }
  bool TestSize(std::int64_t a) const { return CompareInt(Size.Op, a, Size.B, Size.C); }
  bool TestRating(std::int64_t a) const { return CompareInt(Rating.Op, a, Rating.B, Rating.C); }
  bool TestDate(double a) const { return CompareDate(Date.Op, a, Date.B, Date.C); }

  // The test of one record. When dimensions are needed and the file changed
  // since its row (or a size is 0), they are read again with readDimensions
  // (none given counts as 0 by 0); a changed size marks the record Modified.
  // fileChanged says the record has just taken the size and date of a file
  // that changed since its row was written, so its stored dimensions are
  // stale although its date now agrees with the disk.
  bool MatchesCriteria(TImageFileInfo& record, const TDimensionsReader& readDimensions,
                       bool fileChanged = false) const;
};

// The criteria of the choices, with "today" the given date (the date
// presets count from it).
TComparObj BuildCriteria(const TPropertyChoices& choices, const QDate& today);
// The same with today's date.
TComparObj BuildCriteria(const TPropertyChoices& choices);

}  // namespace glimr
