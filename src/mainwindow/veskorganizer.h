#pragma once
// Routes the organizing pages to the shown lists: the Categories page shows
// a category (with its history and title), the File Info page follows the
// selection and edits its rating, caption and category, the Filters page
// narrows the shown list, and every edit is handed to the prompt
// write-back. The window hosts the pages; this class keeps their wiring out
// of it.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "browse/filter.h"
#include "organize/categoryitem.h"
#include "organize/reapplyfilter.h"

class QWidget;

namespace glimr {

class TCatalogQueries;
class TCategoryLoader;
class TEditWriteBack;
class TFileListView;
class TfrCategories;
class TfrFileInfo;
class TfrFilters;
class THistoryList;
class TRibbonView;
class TVeskActions;
struct TCurrentLists;
struct TFolderLoadHooks;
struct TFolderLoadReport;

class TVeskOrganizer : public QObject {
  Q_OBJECT

 public:
  // What the window lends for the routing.
  struct THost {
    std::function<TRibbonView*()> Ribbon;
    std::function<void()> UpdateTitle;
    std::function<void()> UpdateHistoryActions;  // of the history in use
    std::function<void(const TFolderLoadReport&)> ShowLoadReport;
    std::function<void()> SelectCategoriesPage;
  };

  TVeskOrganizer(TCurrentLists& lists, TFileListView& list, TVeskActions& actions,
                 THistoryList& categoryHistory, TFilterSettings& filter, THost host,
                 QObject* parent = nullptr);
  ~TVeskOrganizer() override;

  // The pages the window hosts: the Categories page's frame (the page comes
  // with the catalog), the File Info page and the Filters page.
  QWidget* CategoriesFrame() const { return categoriesFrame_; }
  TfrFileInfo* FileInfo() const { return fileInfo_; }
  TfrFilters* Filters() const { return filters_; }
  TfrCategories* Categories() const { return categories_; }

  // The catalog's services; makes the Categories page and fills the trees.
  // hooks: the folder load's, which re-filtering uses too.
  void Attach(TCatalogQueries& queries, TCategoryLoader& loader, TEditWriteBack& writeBack,
              const TFolderLoadHooks& hooks);
  void Detach();

  // The history's key for a category and back.
  static const void* HistoryNode(std::int32_t id);
  static std::int32_t CategoryOfNode(const void* node);

  // Shows the category's images (also when it is already shown).
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

  // The selection may have changed: the File Info page follows it.
  void SelectionChanged();
  // A rotation or flip changed a record.
  void RecordEdited();
  // The Select Category dialog for the selected images.
  void ChooseCategoryForSelection();
  // The lists changed under the filter (a copy, move or delete): the shown
  // list, the view and the ribbon are made anew with the filter in force.
  void Refilter() { FilterChanged(filter_); }
  // Texts in the language in force.
  void ApplyLanguage();

 private:
  void SetRating(int rating);
  void SetCaption(const QString& caption);
  void SetCategory(std::int32_t id);
  void AfterEdit(const std::vector<int>& rows, bool captions);
  void CategoriesChanged(const TCategoryItems& items);
  void CategoriesRemoved(const std::vector<std::int32_t>& ids);
  void CategoryRenamed(std::int32_t id, const QString& path);
  void FilterChanged(const TFilterSettings& settings);
  void ShowEmptyCategory();

  TCurrentLists& lists_;
  TFileListView& list_;
  TVeskActions& actions_;
  THistoryList& history_;
  TFilterSettings& filter_;
  THost host_;
  QWidget* categoriesFrame_ = nullptr;
  TfrCategories* categories_ = nullptr;
  TfrFileInfo* fileInfo_ = nullptr;
  TfrFilters* filters_ = nullptr;
  TCatalogQueries* queries_ = nullptr;
  TCategoryLoader* loader_ = nullptr;
  TEditWriteBack* writeBack_ = nullptr;
  TReapplyHooks reapplyHooks_;
  std::int32_t shownCategory_ = 0;
};

}  // namespace glimr
