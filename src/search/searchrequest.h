#pragma once
// What a search needs from the Search page, in plain values: the scope (name
// text, folders, categories and their flags) and the property choices the
// criteria are built from. The page fills it; the search run only reads it.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace glimr {

// Position in the operator lists: "equal", "not equal", "more than", "more
// than or equal", "less than", "less than or equal", "between". Item i
// stands for the comparison code i + 1.
enum class TOperatorItem : std::uint8_t {
  Equal = 0,
  NotEqual,
  More,
  MoreOrEqual,
  Less,
  LessOrEqual,
  Between,
};

// One row of a "Let me set..." dialog: the operator item and its two
// numbers (the second is used by "between" only).
struct TNumberCondition {
  bool Enabled = true;  // the dimension dialog's row check box; always true elsewhere
  TOperatorItem Operator = TOperatorItem::Equal;
  std::int64_t First = 0;
  std::int64_t Second = 0;
};

enum class TDimensionChoice : std::uint8_t { Any, Small, Average, Big, Special };
enum class TSizeChoice : std::uint8_t { Any, Small, Average, Big, Special };
enum class TDateChoice : std::uint8_t { Any, Today, LastWeek, LastMonth, LastYear, Special };
enum class TRatingChoice : std::uint8_t { Any, Special };
// The date dialog's operator list.
enum class TDateOperator : std::uint8_t { Before, After, Between };

// The five property frames and their dialogs as the user left them.
struct TPropertyChoices {
  // The file-type frame's list (extensions without the dot, any case).
  QStringList FileTypes;
  // Every extension the plug-in set supports, in its order: the search
  // types when FileTypes is empty.
  QStringList SupportedTypes;

  TDimensionChoice Dimensions = TDimensionChoice::Any;
  TNumberCondition Width{false};   // pixels
  TNumberCondition Height{false};  // pixels

  TSizeChoice Size = TSizeChoice::Any;
  TNumberCondition SizeKB;  // kilobytes

  TDateChoice Date = TDateChoice::Any;
  TDateOperator DateOperator = TDateOperator::Before;
  QDateTime DateFirst;  // date field plus time field, local time
  QDateTime DateSecond;

  TRatingChoice Rating = TRatingChoice::Any;
  TNumberCondition Stars;  // 0..5
};

// One search as the user asked for it when pressing Search.
struct TSearchRequest {
  QString NameText;                       // may hold "*"; empty finds every name
  QStringList Folders;                    // folder paths, with or without the final "/"
  std::vector<std::int32_t> CategoryIDs;  // in the order of the category rows
  bool InCaptions = false;                // "Also search in captions"
  bool Subdirectories = true;             // "Search in subdirectories"
  bool OnlyInDatabase = true;             // "Search only in database"
  bool Subcategories = true;              // "Search in subcategories"
  TPropertyChoices Properties;
};

}  // namespace glimr
