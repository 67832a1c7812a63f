#pragma once
// Routes the organizing pages and actions to the shown list: the Categories
// page shows a category (with its history), the File Info page follows the
// shown list and the selection and edits the rating, caption and category of
// the selected images, and the Filters page narrows the shown list. The
// window hosts the pages; this class keeps their wiring out of it.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "organize/categoryitem.h"

class QAction;

namespace glimr {

class TCatalogQueries;
class TfrCategories;
class TfrFileInfo;
class TfrFilters;
class THistoryList;
class TShownList;
struct TFolderLoadReport;

// The window's actions the organizing commands run. Any may be null.
struct TOrganizeActions {
  // aClearRating, aSetOneStar ... aSetFiveStars: the action at index n sets
  // rating n on the selected images.
  std::array<QAction*, 6> Rating{};
  QAction* SetCategory = nullptr;      // aSetCategory: the Select Category dialog
  QAction* AddCategory = nullptr;      // aAddCategory
  QAction* AddSubCategory = nullptr;   // aAddSubCategory
  QAction* RenameCategory = nullptr;   // aRenameCategory
  QAction* RemoveCategory = nullptr;   // aRemoveCategory
  QAction* ClearCategories = nullptr;  // aClearCategories
};

class TOrganizeCommands : public QObject {
  Q_OBJECT

 public:
  // What only the window can do. Any may be empty.
  struct THost {
    std::function<void()> UpdateTitle;
    std::function<void()> UpdateHistoryActions;  // of the history in use
    // After a category was shown (its errors are shown here as well).
    std::function<void(const TFolderLoadReport&)> ShowLoadReport;
  };

  // shown, categoryHistory and the actions must outlive the commands;
  // dialogParent parents the Select Category dialog.
  TOrganizeCommands(TShownList& shown, THistoryList& categoryHistory,
                    const TOrganizeActions& actions, QWidget* dialogParent, THost host,
                    QObject* parent = nullptr);
  ~TOrganizeCommands() override;

  // The pages the window hosts: the Categories page's frame (the page comes
  // with the catalog), the File Info page and the Filters page. The window
  // that hosts them owns them; pages never hosted go with the commands.
  QWidget* CategoriesFrame() const;
  TfrFileInfo* FileInfo() const;
  TfrFilters* Filters() const;
  // Null until Attach.
  TfrCategories* Categories() const;

  // The catalog: makes the Categories page, fills the category views and
  // enables the category actions. queries must outlive the page.
  void Attach(TCatalogQueries& queries);
  void Detach();

  // The history's key for a category and back.
  static const void* HistoryNode(std::int32_t id);
  static std::int32_t CategoryOfNode(const void* node);

  // Shows the category's images (also when it is already shown) and records
  // it in the category history.
  void ShowCategory(std::int32_t id);
  // Selects the category on the page without a second load and shows it
  // (Back, Forward, Up in the category history).
  void GoToCategory(std::int32_t id);
  // The parent of a category, 0 at the top level or when unknown.
  std::int32_t ParentCategory(std::int32_t id) const;
  // "Travel\2005\Alps" of the shown category; none while a folder or a
  // search result is shown.
  std::optional<QString> ShownCategoryPath() const;
  // The category chosen on the Categories page, 0 for none.
  std::int32_t SelectedCategory() const;
  // The first category of the tree, 0 when there is none.
  std::int32_t FirstCategory() const;

  // The Select Category dialog for the selected images.
  void ChooseCategoryForSelection();
  // Texts in the language in force.
  void ApplyLanguage();

 public Q_SLOTS:
  // The view's selection changed (its marks on the records are set): the
  // File Info page follows it.
  void SelectionChanged();

 private:
  void SetRating(int rating);
  void SetCaption(const QString& caption);
  void SetCategory(std::int32_t id);
  void ShowSelection();
  void SourceChanged();
  void RowsEdited(int first, int last);
  void CategoriesChanged(const TCategoryItems& items);
  void CategoriesRemoved(const std::vector<std::int32_t>& ids);
  void CategoryRenamed(std::int32_t id, const QString& path);
  bool AnySelected() const;

  TShownList& shown_;
  THistoryList& history_;
  TOrganizeActions actions_;
  QWidget* dialogParent_;
  THost host_;
  QPointer<QWidget> categoriesFrame_;
  QPointer<TfrCategories> categories_;
  QPointer<TfrFileInfo> fileInfo_;
  QPointer<TfrFilters> filters_;
  TCatalogQueries* queries_ = nullptr;
  std::int32_t shownCategory_ = 0;
};

}  // namespace glimr
