#pragma once
// The Category section of the Filters page: the filter tree, the category
// tree's entries with their IDs plus a last top-level "No Categories" (ID 0)
// that chooses the images without a category.

#include <QList>
#include <QWidget>

#include "organize/categoryitem.h"

namespace glimr {

class TFilterChoiceTree;

class TfrCategory : public QWidget {
  Q_OBJECT

 public:
  explicit TfrCategory(QWidget* parent = nullptr);

  TFilterChoiceTree* Tree() const { return tvCategories_; }
  // Builds the tree from the categories in depth-first order, keeping the
  // chosen and opened categories that still exist. categoriesChanged is
  // sent when a chosen category is gone.
  void SetCategories(const TCategoryItems& items);
  // The chosen category IDs (0 = No Categories); none chosen = any.
  QList<int> ChosenCategories() const;
  void ApplyLanguage();

 Q_SIGNALS:
  void categoriesChanged();

 private:
  void Fill(const TCategoryItems& items);

  TFilterChoiceTree* tvCategories_ = nullptr;
};

}  // namespace glimr
