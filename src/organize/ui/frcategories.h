#pragma once
// The Categories page (tsCategories): the category tree tvCategories with its
// tool bar and context menu. It adds, renames, removes and moves categories
// in the catalog and in its TCategoryTree, and tells the window what changed
// (the other category views are rebuilt from categoriesChanged).

#include <QWidget>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "organize/categoryitem.h"
#include "organize/categorytree.h"
#include "organize/ui/categorynamequestion.h"

class QAction;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace glimr {

class TCatalogQueries;
class TCategoryTreeWidget;

// The window's actions shown on the page's tool bar and context menu. Any
// may be null.
struct TCategoryActions {
  QAction* Add = nullptr;     // aAddCategory
  QAction* AddSub = nullptr;  // aAddSubCategory
  QAction* Rename = nullptr;  // aRenameCategory
  QAction* Remove = nullptr;  // aRemoveCategory
  QAction* Clear = nullptr;   // aClearCategories
};

class TfrCategories : public QWidget {
  Q_OBJECT

 public:
  // queries must outlive the page.
  explicit TfrCategories(TCatalogQueries& queries, QWidget* parent = nullptr);
  ~TfrCategories() override;

  // Puts the actions on the tool bar and the context menu and runs the
  // page's operations when they trigger. The page enables Rename and Remove
  // only with a category selected, and Clear only when there are categories.
  void SetActions(const TCategoryActions& actions);
  // Replaces the modal name box (tests answer the questions themselves).
  void SetNameQuestion(TCategoryNameQuestion question);

  // Reads the whole tree from the catalog and shows it (once, at the window's
  // first showing). Sends categoriesChanged.
  void FillCategories();

  const TCategoryTree& Tree() const { return tree_; }
  QTreeWidget* TreeView() const;
  // The selected category, 0 for none.
  std::int32_t SelectedCategory() const;
  // Selects the category (0 or an unknown one: nothing) without sending
  // categoryChosen, for the history's Back and Forward.
  void SelectCategoryID(std::int32_t id);
  // The category whose images the file list shows (0: the list shows a
  // folder or search results). Images are not dropped on it.
  void SetShownCategory(std::int32_t id) { shownCategory_ = id; }
  // "Travel\2005\Alps", empty for an unknown ID.
  QString CategoryPath(std::int32_t id) const { return tree_.Path(id); }

  // A category dragged onto target (0: empty space) may move there.
  bool CanMoveCategory(std::int32_t id, std::int32_t target) const;
  // Makes the category the last child of target (0: the top level) in the
  // catalog and the tree; false when refused (onto itself or a descendant)
  // or the catalog failed (the failure is reported).
  bool MoveCategoryTo(std::int32_t id, std::int32_t target);
  // Images of the file list may be dropped on the category.
  bool CanDropImages(std::int32_t target) const;

  // Texts in the language in force (the tree's accessible name).
  void ApplyLanguage();

 public Q_SLOTS:
  void AddCategory();
  // With nothing selected the same as AddCategory.
  void AddSubCategory();
  void RenameCategory();
  // Removes the selected category and everything below it, releasing their
  // images (category 0), without asking.
  void RemoveCategory();
  void ClearCategories();

 Q_SIGNALS:
  // The user selected a category or clicked the selected one again.
  void categoryChosen(std::int32_t id, const QString& path);
  // After every change of the tree: the categories in depth-first order.
  void categoriesChanged(const glimr::TCategoryItems& items);
  // A category's path changed (a rename or a move): sent for the category
  // and for each one below it, whose paths changed with it.
  void categoryRenamed(std::int32_t id, const QString& newPath);
  // Categories were deleted (every child before its parent). When the shown
  // category is among them, its images no longer belong to it.
  void categoriesRemoved(const std::vector<std::int32_t>& ids);
  // Images of the file list were dropped on the category: the window gives
  // the selected images that category.
  void imagesDropped(std::int32_t id);

 private:
  friend class TCategoryTreeWidget;

  void Rebuild();
  void UpdateActions();
  void AddUnder(std::int32_t parent, const QString& prompt, const QString& answer,
                const QString& label);
  void SendPathsBelow(std::int32_t id);
  void OnCurrentChanged(QTreeWidgetItem* item);
  void OnClicked(QTreeWidgetItem* item);
  static std::int32_t ItemID(const QTreeWidgetItem* item);

  TCatalogQueries& queries_;
  TCategoryTree tree_;
  TCategoryTreeWidget* view_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  TCategoryActions actions_;
  TCategoryNameQuestion question_;
  std::unordered_map<std::int32_t, QTreeWidgetItem*> items_;
  std::int32_t shownCategory_ = 0;
  bool silent_ = false;
  bool pressing_ = false;
  bool changedByPress_ = false;
};

}  // namespace glimr
