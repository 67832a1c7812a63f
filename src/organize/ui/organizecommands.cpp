#include "organize/ui/organizecommands.h"

#include <QAction>
#include <QLoggingCategory>
#include <QVBoxLayout>

#include <algorithm>

#include "browse/historylist.h"
#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "common/errors.h"
#include "organize/categoryloader.h"
#include "organize/fileinfo.h"
#include "organize/ui/dlgcategories.h"
#include "organize/ui/frcategories.h"
#include "organize/ui/frfileinfo.h"
#include "organize/ui/frfilters.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcOrganizeCommands, "glimr.organize.commands")

namespace {

void Enable(QAction* action, bool on) {
  if (action) {
    action->setEnabled(on);
  }
}

}  // namespace

TOrganizeCommands::TOrganizeCommands(TShownList& shown, THistoryList& categoryHistory,
                                     const TOrganizeActions& actions, QWidget* dialogParent,
                                     THost host, QObject* parent)
    : QObject(parent),
      shown_(shown),
      history_(categoryHistory),
      actions_(actions),
      dialogParent_(dialogParent),
      host_(std::move(host)) {
  categoriesFrame_ = new QWidget();
  categoriesFrame_->setObjectName(QStringLiteral("pnlCategories"));
  auto* column = new QVBoxLayout(categoriesFrame_);
  column->setContentsMargins(0, 0, 0, 0);
  fileInfo_ = new TfrFileInfo();
  filters_ = new TfrFilters();

  for (int rating = 0; rating < static_cast<int>(actions_.Rating.size()); ++rating) {
    if (QAction* action = actions_.Rating[static_cast<size_t>(rating)]) {
      action->setEnabled(true);  // with nothing selected they change nothing
      connect(action, &QAction::triggered, this, [this, rating] { SetRating(rating); });
    }
  }
  if (actions_.SetCategory) {
    connect(actions_.SetCategory, &QAction::triggered, this,
            [this] { ChooseCategoryForSelection(); });
  }
  // Until the catalog is there, there is no category to work with.
  for (QAction* action :
       {actions_.AddCategory, actions_.AddSubCategory, actions_.RenameCategory,
        actions_.RemoveCategory, actions_.ClearCategories, actions_.SetCategory}) {
    Enable(action, false);
  }
  connect(fileInfo_, &TfrFileInfo::ratingChosen, this, [this](int n) { SetRating(n); });
  connect(fileInfo_, &TfrFileInfo::captionEdited, this,
          [this](const QString& text) { SetCaption(text); });
  connect(fileInfo_, &TfrFileInfo::categoryChosen, this,
          [this](std::int32_t id) { SetCategory(id); });
  connect(filters_, &TfrFilters::filterChanged, this,
          [this](const TFilterSettings& settings) { shown_.SetFilter(settings); });

  // The File Info page follows every change of the shown list by itself:
  // whoever edits, removes or replaces records, the page shows what the
  // selection holds now.
  connect(&shown_, &TShownList::sourceChanged, this, [this] { SourceChanged(); });
  connect(&shown_, &TShownList::rowsEdited, this,
          [this](int first, int last, TEditFields) { RowsEdited(first, last); });
  connect(&shown_, &TShownList::rowsRemoved, this, [this] { ShowSelection(); });
  connect(&shown_, &TShownList::rowsInserted, this, [this] { ShowSelection(); });
}

TOrganizeCommands::~TOrganizeCommands() {
  // Pages the window never hosted have no parent to free them.
  for (QWidget* page : {categoriesFrame_.data(), static_cast<QWidget*>(fileInfo_.data()),
                        static_cast<QWidget*>(filters_.data())}) {
    if (page && !page->parent()) {
      delete page;
    }
  }
}

QWidget* TOrganizeCommands::CategoriesFrame() const {
  return categoriesFrame_;
}

TfrFileInfo* TOrganizeCommands::FileInfo() const {
  return fileInfo_;
}

TfrFilters* TOrganizeCommands::Filters() const {
  return filters_;
}

TfrCategories* TOrganizeCommands::Categories() const {
  return categories_;
}

const void* TOrganizeCommands::HistoryNode(std::int32_t id) {
  // Categories are named by their IDs in the history: the tree's items come
  // and go as it is rebuilt, the IDs stay.
  return reinterpret_cast<const void*>(static_cast<std::intptr_t>(id));
}

std::int32_t TOrganizeCommands::CategoryOfNode(const void* node) {
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(node));
}

void TOrganizeCommands::Attach(TCatalogQueries& queries) {
  queries_ = &queries;
  fileInfo_->SetCatalogPathLookup([this](std::int32_t id) {
    try {
      return queries_ ? queries_->CatalogPath(id) : QString();
    } catch (const std::exception&) {
      return QString();  // a damaged catalog: the field stays empty
    }
  });
  if (categories_) {
    delete categories_;  // attached again: the page of the new catalog
  }
  categories_ = new TfrCategories(queries, categoriesFrame_);
  categoriesFrame_->layout()->addWidget(categories_);
  TCategoryActions pageActions;
  pageActions.Add = actions_.AddCategory;
  pageActions.AddSub = actions_.AddSubCategory;
  pageActions.Rename = actions_.RenameCategory;
  pageActions.Remove = actions_.RemoveCategory;
  pageActions.Clear = actions_.ClearCategories;
  Enable(actions_.AddCategory, true);
  Enable(actions_.AddSubCategory, true);
  Enable(actions_.SetCategory, true);
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

void TOrganizeCommands::Detach() {
  queries_ = nullptr;
  fileInfo_->SetCatalogPathLookup({});
}

void TOrganizeCommands::ShowCategory(std::int32_t id) {
  if (!queries_ || id == 0) {
    return;
  }
  const QString path = categories_ ? categories_->CategoryPath(id) : QString();
  if (history_.Add(path, HistoryNode(id))) {
    history_.Forward();
  }
  const TFolderLoadReport report = glimr::ShowCategory(*queries_, id, shown_);
  shownCategory_ = id;
  if (categories_) {
    categories_->SetShownCategory(id);
  }
  if (host_.UpdateHistoryActions) {
    host_.UpdateHistoryActions();
  }
  if (host_.UpdateTitle) {
    host_.UpdateTitle();
  }
  if (host_.ShowLoadReport) {
    host_.ShowLoadReport(report);
  }
  if (!report.Error.isEmpty()) {
    ShowError(QStringLiteral("tvCategories.OnChange: "), report.Error);
  }
  qCDebug(lcOrganizeCommands) << "category shown:" << id << shown_.Current().Count() << "entries";
}

void TOrganizeCommands::GoToCategory(std::int32_t id) {
  if (categories_) {
    categories_->SelectCategoryID(id);
  }
  ShowCategory(id);
}

std::int32_t TOrganizeCommands::ParentCategory(std::int32_t id) const {
  return categories_ ? categories_->Tree().ParentOf(id) : 0;
}

std::optional<QString> TOrganizeCommands::ShownCategoryPath() const {
  if (shown_.Source() != TListSource::Category || shownCategory_ == 0 || !categories_) {
    return std::nullopt;
  }
  const QString path = categories_->CategoryPath(shownCategory_);
  return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

std::int32_t TOrganizeCommands::SelectedCategory() const {
  return categories_ ? categories_->SelectedCategory() : 0;
}

std::int32_t TOrganizeCommands::FirstCategory() const {
  if (!categories_ || categories_->Tree().Empty()) {
    return 0;
  }
  return categories_->Tree().Children(0).front();
}

void TOrganizeCommands::SelectionChanged() {
  ShowSelection();
}

void TOrganizeCommands::ShowSelection() {
  if (!fileInfo_) {
    return;
  }
  try {
    fileInfo_->ShowProperties(CalcProperties(shown_.Current()));
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("CalcProperties: "), ErrorText(e));
  }
}

void TOrganizeCommands::SourceChanged() {
  if (shown_.Source() != TListSource::Category) {
    // A folder or search result is shown: a click on the shown category
    // shows it again.
    shownCategory_ = 0;
    if (categories_) {
      categories_->SetShownCategory(0);
    }
  }
  ShowSelection();
}

void TOrganizeCommands::RowsEdited(int first, int last) {
  // Only the selected entries make up the page; the loader's details of
  // other rows leave it as it is.
  const TFileList& current = shown_.Current();
  for (int i = std::max(first, 0); i <= last && i < current.Count(); ++i) {
    if (current.At(i)->Selected) {
      ShowSelection();
      return;
    }
  }
}

bool TOrganizeCommands::AnySelected() const {
  const TFileList& current = shown_.Current();
  for (int i = 0; i < current.Count(); ++i) {
    if (current.At(i)->Selected) {
      return true;
    }
  }
  return false;
}

void TOrganizeCommands::SetRating(int rating) {
  if (SetSelectedRating(shown_, rating).empty()) {
    ShowSelection();  // the stars go back to what the selection holds
  }
}

void TOrganizeCommands::SetCaption(const QString& caption) {
  SetSelectedCaption(shown_, caption);
}

void TOrganizeCommands::SetCategory(std::int32_t id) {
  const bool anySelected = AnySelected();
  const bool edited = !SetSelectedCategory(shown_, id).empty();
  if (shown_.Source() == TListSource::Category && anySelected && id != shownCategory_) {
    // Images given another category leave the category on screen.
    shown_.RemoveSelected();
  } else if (!edited) {
    ShowSelection();  // the category list goes back to what the selection holds
  }
}

void TOrganizeCommands::ChooseCategoryForSelection() {
  if (!queries_ || !AnySelected()) {
    return;
  }
  // Mixed selections get no preset.
  bool mixed = false;
  std::int32_t common = -1;
  const TFileList& current = shown_.Current();
  for (int i = 0; i < current.Count(); ++i) {
    const TImageFileInfo* r = current.At(i);
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
  if (common < 0) {
    return;  // only folder entries are selected
  }
  TdlgCategories dialog(*queries_, dialogParent_);
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
  // The list may have changed while the dialog was open: the choice goes to
  // what is selected when it closes, if anything is.
  if (dialog.exec() == QDialog::Accepted && AnySelected()) {
    SetCategory(dialog.ResultID());
  }
}

void TOrganizeCommands::CategoriesChanged(const TCategoryItems& items) {
  fileInfo_->SetCategories(items);
  filters_->SetCategories(items);
  Enable(actions_.ClearCategories, !items.empty());
  if (host_.UpdateTitle) {
    host_.UpdateTitle();
  }
}

void TOrganizeCommands::CategoriesRemoved(const std::vector<std::int32_t>& ids) {
  for (const std::int32_t id : ids) {
    history_.RemoveNode(HistoryNode(id));
  }
  if (host_.UpdateHistoryActions) {
    host_.UpdateHistoryActions();
  }
  // The catalog already gave their images category 0; the loaded records
  // and the edits waiting for the catalog follow, and the views with them.
  shown_.ReleaseCategories(ids);
  const bool shownGone = std::find(ids.begin(), ids.end(), shownCategory_) != ids.end();
  if (shown_.Source() == TListSource::Category && shownGone && queries_) {
    // The category on screen no longer exists: its list empties, and the
    // title names no category.
    const std::int32_t gone = shownCategory_;
    glimr::ShowCategory(*queries_, gone, shown_);
    shownCategory_ = 0;
    if (categories_) {
      categories_->SetShownCategory(0);
    }
  }
  if (host_.UpdateTitle) {
    host_.UpdateTitle();
  }
}

void TOrganizeCommands::CategoryRenamed(std::int32_t id, const QString& path) {
  const int index = history_.IndexOfNode(HistoryNode(id));
  if (index >= 0) {
    history_.SetText(index, path);
  }
  if (host_.UpdateHistoryActions) {
    host_.UpdateHistoryActions();
  }
  if (host_.UpdateTitle) {
    host_.UpdateTitle();
  }
}

void TOrganizeCommands::ApplyLanguage() {
  fileInfo_->ApplyLanguage();
  filters_->ApplyLanguage();
  if (categories_) {
    categories_->ApplyLanguage();
  }
}

}  // namespace glimr
