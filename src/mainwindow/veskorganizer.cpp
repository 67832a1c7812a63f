#include "mainwindow/veskorganizer.h"

#include <QAction>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

#include "browse/currentlists.h"
#include "browse/folderloader.h"
#include "browse/historylist.h"
#include "browse/ui/filelistview.h"
#include "catalog/catalogqueries.h"
#include "common/errors.h"
#include "common/language.h"
#include "mainwindow/mainwindowlog.h"
#include "mainwindow/veskactions.h"
#include "organize/categoryloader.h"
#include "organize/categoryrelease.h"
#include "organize/editwriteback.h"
#include "organize/fileinfo.h"
#include "organize/reapplyfilter.h"
#include "organize/ui/dlgcategories.h"
#include "organize/ui/frcategories.h"
#include "organize/ui/frfileinfo.h"
#include "organize/ui/frfilters.h"
#include "ribbon/ui/ribbonview.h"

namespace glimr {

namespace {

// The actions that need a catalog (and so a category tree) to mean anything.
constexpr const char* kCategoryActions[] = {"aAddCategory",     "aAddSubCategory",
                                            "aRenameCategory",  "aRemoveCategory",
                                            "aClearCategories", "aSetCategory"};
constexpr const char* kRatingActions[] = {"aClearRating",   "aSetOneStar",   "aSetTwoStars",
                                          "aSetThreeStars", "aSetFourStars", "aSetFiveStars"};

}  // namespace

TVeskOrganizer::TVeskOrganizer(TCurrentLists& lists, TFileListView& list, TVeskActions& actions,
                               THistoryList& categoryHistory, TFilterSettings& filter, THost host,
                               QObject* parent)
    : QObject(parent),
      lists_(lists),
      list_(list),
      actions_(actions),
      history_(categoryHistory),
      filter_(filter),
      host_(std::move(host)) {
  categoriesFrame_ = new QWidget();
  categoriesFrame_->setObjectName(QStringLiteral("pnlCategories"));
  auto* column = new QVBoxLayout(categoriesFrame_);
  column->setContentsMargins(0, 0, 0, 0);
  fileInfo_ = new TfrFileInfo();
  filters_ = new TfrFilters();

  for (int rating = 0; rating <= 5; ++rating) {
    QAction* action = actions_.Get(kRatingActions[rating]);
    action->setEnabled(true);  // with nothing selected they change nothing
    connect(action, &QAction::triggered, this, [this, rating] { SetRating(rating); });
  }
  connect(actions_.Get("aSetCategory"), &QAction::triggered, this,
          [this] { ChooseCategoryForSelection(); });
  for (const char* name : kCategoryActions) {
    actions_.Get(name)->setEnabled(false);  // until the catalog is there
  }
  connect(fileInfo_, &TfrFileInfo::ratingChosen, this, [this](int n) { SetRating(n); });
  connect(fileInfo_, &TfrFileInfo::captionEdited, this,
          [this](const QString& text) { SetCaption(text); });
  connect(fileInfo_, &TfrFileInfo::categoryChosen, this,
          [this](std::int32_t id) { SetCategory(id); });
  connect(filters_, &TfrFilters::filterChanged, this,
          [this](const TFilterSettings& settings) { FilterChanged(settings); });
}

TVeskOrganizer::~TVeskOrganizer() = default;

const void* TVeskOrganizer::HistoryNode(std::int32_t id) {
  // Categories are named by their IDs in the history: the tree's items come
  // and go as it is rebuilt, the IDs stay.
  return reinterpret_cast<const void*>(static_cast<std::intptr_t>(id));
}

std::int32_t TVeskOrganizer::CategoryOfNode(const void* node) {
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(node));
}

void TVeskOrganizer::Attach(TCatalogQueries& queries, TCategoryLoader& loader,
                            TEditWriteBack& writeBack, const TFolderLoadHooks& hooks) {
  reapplyHooks_ = ReapplyHooksFrom(hooks);
  queries_ = &queries;
  loader_ = &loader;
  writeBack_ = &writeBack;
  fileInfo_->SetCatalogPathLookup([this](std::int32_t id) {
    try {
      return queries_ ? queries_->CatalogPath(id) : QString();
    } catch (const std::exception&) {
      return QString();  // a damaged catalog: the field stays empty
    }
  });
  categories_ = new TfrCategories(queries, categoriesFrame_);
  categoriesFrame_->layout()->addWidget(categories_);
  TCategoryActions pageActions;
  pageActions.Add = actions_.Get("aAddCategory");
  pageActions.AddSub = actions_.Get("aAddSubCategory");
  pageActions.Rename = actions_.Get("aRenameCategory");
  pageActions.Remove = actions_.Get("aRemoveCategory");
  pageActions.Clear = actions_.Get("aClearCategories");
  actions_.Get("aAddCategory")->setEnabled(true);
  actions_.Get("aAddSubCategory")->setEnabled(true);
  actions_.Get("aSetCategory")->setEnabled(true);
  categories_->SetActions(pageActions);
  connect(categories_, &TfrCategories::categoryChosen, this,
          [this](std::int32_t id, const QString&) { ShowCategory(id); });
  connect(categories_, &TfrCategories::categoriesChanged, this,
          [this](const TCategoryItems& items) { CategoriesChanged(items); });
  connect(categories_, &TfrCategories::categoriesRemoved, this,
          [this](const std::vector<std::int32_t>& ids) { CategoriesRemoved(ids); });
  connect(categories_, &TfrCategories::categoryRenamed, this,
          [this](std::int32_t id, const QString& path) { CategoryRenamed(id, path); });
  connect(categories_, &TfrCategories::imagesDropped, this,
          [this](std::int32_t id) { SetCategory(id); });
  categories_->FillCategories();
}

void TVeskOrganizer::Detach() {
  if (writeBack_) {
    writeBack_->disconnect(this);
  }
  queries_ = nullptr;
  loader_ = nullptr;
  writeBack_ = nullptr;
  reapplyHooks_ = {};
  fileInfo_->SetCatalogPathLookup({});
}

void TVeskOrganizer::ShowCategory(std::int32_t id) {
  if (!loader_ || id == 0) {
    return;
  }
  const QString path = categories_ ? categories_->CategoryPath(id) : QString();
  if (history_.Add(path, HistoryNode(id))) {
    history_.Forward();
  }
  TRibbonView* ribbon = host_.Ribbon ? host_.Ribbon() : nullptr;
  if (ribbon) {
    ribbon->ResetForLoad();
    ribbon->SetPolling(false);
  }
  const TFolderLoadReport report = loader_->ShowCategory(id, lists_, list_.SortState(), filter_);
  shownCategory_ = id;
  categories_->SetShownCategory(id);
  if (ribbon) {
    ribbon->ResetForLoad();
    ribbon->PrepareScene();
    ribbon->SetPolling(!lists_.CurrentFiles.IsEmpty());
  }
  host_.UpdateHistoryActions();
  host_.UpdateTitle();
  if (host_.ShowLoadReport) {
    host_.ShowLoadReport(report);
  }
  if (!report.Error.isEmpty()) {
    ShowError(QStringLiteral("tvCategories.OnChange: "), report.Error);
  }
  SelectionChanged();
  qCDebug(lcMainWindow) << "category shown:" << id << lists_.CurrentFiles.Count() << "entries";
}

void TVeskOrganizer::GoToCategory(std::int32_t id) {
  if (categories_) {
    categories_->SelectCategoryID(id);
  }
  ShowCategory(id);
}

std::int32_t TVeskOrganizer::ParentCategory(std::int32_t id) const {
  return categories_ ? categories_->Tree().ParentOf(id) : 0;
}

std::optional<QString> TVeskOrganizer::ShownCategoryPath() const {
  if (lists_.ListSource != TListSource::Category || shownCategory_ == 0 || !categories_) {
    return std::nullopt;
  }
  const QString path = categories_->CategoryPath(shownCategory_);
  return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

std::int32_t TVeskOrganizer::SelectedCategory() const {
  return categories_ ? categories_->SelectedCategory() : 0;
}

std::int32_t TVeskOrganizer::FirstCategory() const {
  if (!categories_ || categories_->Tree().Empty()) {
    return 0;
  }
  return categories_->Tree().Children(0).front();
}

void TVeskOrganizer::SelectionChanged() {
  if (lists_.ListSource != TListSource::Category && categories_) {
    categories_->SetShownCategory(0);  // a folder or search result is shown
  }
  try {
    fileInfo_->ShowProperties(CalcProperties(lists_.CurrentFiles));
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("CalcProperties: "), ErrorText(e));
  }
}

void TVeskOrganizer::RecordEdited() {
  if (writeBack_) {
    writeBack_->Note();
  }
}

void TVeskOrganizer::SetRating(int rating) {
  AfterEdit(SetSelectedRating(lists_, rating), false);
  SelectionChanged();  // the stars follow an action too
}

void TVeskOrganizer::SetCaption(const QString& caption) {
  AfterEdit(SetSelectedCaption(lists_, caption), true);
}

void TVeskOrganizer::SetCategory(std::int32_t id) {
  const bool anySelected = list_.SelectedCount() > 0;
  AfterEdit(SetSelectedCategory(lists_, id), false);
  if (lists_.ListSource == TListSource::Category && anySelected && id != shownCategory_) {
    // Images given another category leave the category on screen.
    list_.RemoveSelectedFromView();
  }
  SelectionChanged();  // the category list shows the chosen category
}

void TVeskOrganizer::AfterEdit(const std::vector<int>& rows, bool captions) {
  if (rows.empty()) {
    return;
  }
  list_.RefreshRows(*std::min_element(rows.begin(), rows.end()),
                    *std::max_element(rows.begin(), rows.end()));
  if (TRibbonView* ribbon = host_.Ribbon ? host_.Ribbon() : nullptr) {
    if (captions) {
      ribbon->Ribbon().RefreshCaptions();
    }
    ribbon->Ribbon().RedrawNeeded = true;
  }
  RecordEdited();
}

void TVeskOrganizer::ChooseCategoryForSelection() {
  if (!queries_ || list_.SelectedCount() == 0) {
    return;
  }
  const TFileProperties props = CalcProperties(lists_.CurrentFiles);
  if (props.ImageCount == 0) {
    return;
  }
  // Mixed selections (CategoryID cleared) get no preset.
  bool mixed = false;
  std::int32_t common = -1;
  for (int i = 0; i < lists_.CurrentFiles.Count(); ++i) {
    const TImageFileInfo* r = lists_.CurrentFiles.At(i);
    if (!r->Selected || r->IsFolder) {
      continue;
    }
    if (common < 0) {
      common = r->CategoryID;
    } else if (r->CategoryID != common) {
      mixed = true;
      break;
    }
  }
  TdlgCategories dialog(*queries_, list_.window());
  dialog.SetOfferNoCategories(true);
  if (!mixed) {
    if (common == 0) {
      // The dialog's own entry, not a category that bears its name.
      dialog.SetPresetNoCategories();
    } else {
      try {
        dialog.SetPresetPath(queries_->CategoryPath(common));
      } catch (const std::exception&) {
        // an unreadable path: no preset
      }
    }
  }
  if (dialog.exec() == QDialog::Accepted && list_.SelectedCount() > 0) {
    SetCategory(dialog.ResultID());
  }
}

void TVeskOrganizer::CategoriesChanged(const TCategoryItems& items) {
  fileInfo_->SetCategories(items);
  filters_->SetCategories(items);
  const bool any = !items.empty();
  actions_.Get("aClearCategories")->setEnabled(any);
  host_.UpdateTitle();
}

void TVeskOrganizer::CategoriesRemoved(const std::vector<std::int32_t>& ids) {
  for (std::int32_t id : ids) {
    history_.RemoveNode(HistoryNode(id));
  }
  host_.UpdateHistoryActions();
  // The catalog already gave their images category 0; the loaded records
  // follow without a write-back of their own.
  ReleaseDeletedCategories(lists_.LoadedFiles, ids);
  lists_.PendingWrites.ReleaseCategories(ids);
  const bool shownGone = std::find(ids.begin(), ids.end(), shownCategory_) != ids.end();
  if (lists_.ListSource == TListSource::Category && shownGone) {
    ShowEmptyCategory();
  } else {
    list_.RefreshRows(0, lists_.CurrentFiles.Count() - 1);
  }
  SelectionChanged();
  host_.UpdateTitle();
}

void TVeskOrganizer::ShowEmptyCategory() {
  // The category on screen no longer exists: its list empties, and the title
  // names no category, as after the last one of the history went.
  const std::int32_t gone = shownCategory_;
  TRibbonView* ribbon = host_.Ribbon ? host_.Ribbon() : nullptr;
  if (ribbon) {
    ribbon->ResetForLoad();
    ribbon->SetPolling(false);
  }
  if (loader_) {
    loader_->ShowCategory(gone, lists_, list_.SortState(), filter_);
  }
  shownCategory_ = 0;
  if (categories_) {
    categories_->SetShownCategory(0);
  }
  if (ribbon) {
    ribbon->PrepareScene();
  }
}

void TVeskOrganizer::CategoryRenamed(std::int32_t id, const QString& path) {
  const int index = history_.IndexOfNode(HistoryNode(id));
  if (index >= 0) {
    history_.SetText(index, path);
  }
  host_.UpdateHistoryActions();
  host_.UpdateTitle();
}

void TVeskOrganizer::FilterChanged(const TFilterSettings& settings) {
  filter_ = settings;
  // Make the nine slots anew on the new list from its first entry.
  TRibbonView* ribbon = host_.Ribbon ? host_.Ribbon() : nullptr;
  if (ribbon) {
    ribbon->ResetForLoad();
    ribbon->SetPolling(false);
  }
  TReapplyHooks hooks = reapplyHooks_;
  hooks.ResetRibbon = [ribbon] {
    if (ribbon) {
      ribbon->ResetForLoad();
    }
  };
  hooks.ShowRibbon = [this, ribbon] {
    if (ribbon) {
      ribbon->PrepareScene();
      ribbon->SetPolling(!lists_.CurrentFiles.IsEmpty());
    }
  };
  ReapplyFilter(lists_, filter_, hooks);
  SelectionChanged();
}

void TVeskOrganizer::ApplyLanguage() {
  fileInfo_->ApplyLanguage();
  filters_->ApplyLanguage();
  if (categories_) {
    categories_->ApplyLanguage();
  }
}

}  // namespace glimr
