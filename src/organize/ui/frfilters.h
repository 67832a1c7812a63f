#pragma once
// The Filters page (right page "tsFilter"): "Use Filter" and three
// collapsible sections, Name, Rating and Category, whose criteria narrow
// what the file list and the ribbon show of everything loaded. The page only
// holds the criteria; the shown list is re-filtered with them (SetFilter)
// when it reports a change.

#include <QWidget>

#include "browse/filter.h"
#include "organize/categoryitem.h"

class QCheckBox;
class QToolButton;

namespace glimr {

class TfrName;
class TfrRating;
class TfrCategory;

class TfrFilters : public QWidget {
  Q_OBJECT

 public:
  explicit TfrFilters(QWidget* parent = nullptr);

  // The criteria as the controls hold them; Active is "Use Filter".
  TFilterSettings Settings() const;
  bool FilterActive() const;
  // Rebuilds the filter tree from the category tree's entries, keeping the
  // chosen categories that still exist.
  void SetCategories(const TCategoryItems& items);
  // The page's caption ("Filters") and every text on it, in the loaded
  // language.
  static QString Caption();
  void ApplyLanguage();

  QCheckBox* UseFilterBox() const { return cbUseFilter_; }
  TfrName* NameFrame() const { return frName_; }
  TfrRating* RatingFrame() const { return frRating_; }
  TfrCategory* CategoryFrame() const { return frCategory_; }

 Q_SIGNALS:
  // A criterion changed in a way that changes what is shown: "Use Filter"
  // was switched, or with it on, the name (after its pause), the ratings or
  // the categories changed.
  void filterChanged(const TFilterSettings& settings);

 private:
  QToolButton* AddSection(QWidget* frame, const char* buttonName, int stretch);
  void UseFilterChanged(bool on);
  void CriterionChanged();
  static bool SameCriteria(const TFilterSettings& a, const TFilterSettings& b);
  void Emit(const TFilterSettings& settings);

  QCheckBox* cbUseFilter_ = nullptr;
  QWidget* fbFilter_ = nullptr;
  TfrName* frName_ = nullptr;
  TfrRating* frRating_ = nullptr;
  TfrCategory* frCategory_ = nullptr;
  QToolButton* btnName_ = nullptr;
  QToolButton* btnRating_ = nullptr;
  QToolButton* btnCategory_ = nullptr;
  // What the last filterChanged carried.
  TFilterSettings lastSent_;
};

}  // namespace glimr
