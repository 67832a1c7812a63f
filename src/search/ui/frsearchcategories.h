#pragma once
// The Categories section of the Search page: the categories to search, added
// by the Select Category dialog or by typing a category path and pressing
// Enter, with "Search in subcategories".

#include <QWidget>

#include <cstdint>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace glimr {

class TCatalogQueries;
class TdlgCategories;

class TfrSearchCategories : public QWidget {
  Q_OBJECT

 public:
  explicit TfrSearchCategories(QWidget* parent = nullptr);

  // The catalog the dialog and typed paths are read from; it must outlive
  // the frame. Without one nothing can be added.
  void SetCatalogQueries(TCatalogQueries& queries);

  // Adds the category whose path the field holds ("Travel\2005\Alps", the
  // final "\" optional): the field shows its full path; a path that names no
  // category is reported and left out.
  void AddTypedCategory();
  // The field's button: the Select Category dialog, preset to the field's
  // path; on OK its choice is added.
  void ChooseCategory();
  // Adds a row for the category unless one is listed (by ID), and selects it.
  void AddCategory(std::int32_t id, const QString& path);
  // The listed category IDs in row order.
  std::vector<std::int32_t> CategoryIDs() const;
  void DeleteSelected();
  void ClearList();

  QLineEdit* CategoryEdit() const { return cmbCategories_; }
  QTreeWidget* List() const { return lvCategories_; }
  QCheckBox* SubcategoriesBox() const { return cbSearchSubCat_; }
  // The dialog (made with the catalog); null before SetCatalogQueries.
  TdlgCategories* Dialog() const { return dlgCategories_; }
  void ApplyLanguage();

 private:
  TCatalogQueries* queries_ = nullptr;
  TdlgCategories* dlgCategories_ = nullptr;
  QLabel* lblAdd_ = nullptr;
  QLineEdit* cmbCategories_ = nullptr;
  QToolButton* btnSelect_ = nullptr;
  QTreeWidget* lvCategories_ = nullptr;
  QCheckBox* cbSearchSubCat_ = nullptr;
  QPushButton* btnDelete_ = nullptr;
  QPushButton* btnClear_ = nullptr;
};

}  // namespace glimr
