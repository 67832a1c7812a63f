#include "mainwindow/vesksearch.h"

#include <QPushButton>

#include "browse/currentlists.h"
#include "browse/filter.h"
#include "browse/ui/filelistview.h"
#include "catalog/catalogqueries.h"
#include "mainwindow/mainwindowlog.h"
#include "organize/editwriteback.h"
#include "ribbon/ui/ribbonview.h"
#include "search/searchrequest.h"
#include "search/searchrun.h"
#include "search/ui/frmprocesssearch.h"
#include "search/ui/frsearch.h"

namespace glimr {

TVeskSearch::TVeskSearch(TCurrentLists& lists, TFileListView& list, TFilterSettings& filter,
                         THost host, QWidget* window)
    : QObject(window), lists_(lists), list_(list), filter_(filter), host_(std::move(host)) {
  page_ = new TfrSearch();
  progress_ = new TfrmProcessSearch(window);
  connect(page_, &TfrSearch::searchRequested, this,
          [this](const TSearchRequest& request) { Search(request); });
  connect(page_, &TfrSearch::showResultsRequested, this, [this] { ShowResults(); });
  page_->SearchButton()->setEnabled(false);  // until the catalog is there
}

TVeskSearch::~TVeskSearch() = default;

void TVeskSearch::Attach(TCatalogQueries& queries, TEditWriteBack& writeBack,
                         const TFolderLoadHooks& hooks, std::function<QStringList()> types,
                         TDimensionsReader readDimensions) {
  queries_ = &queries;
  writeBack_ = &writeBack;
  hooks_ = hooks;
  readDimensions_ = std::move(readDimensions);
  page_->SetCatalogQueries(queries);
  page_->SetTypeSource(std::move(types));
  page_->SearchButton()->setEnabled(true);
}

void TVeskSearch::Detach() {
  queries_ = nullptr;
  writeBack_ = nullptr;
  hooks_ = {};
  readDimensions_ = {};
  page_->SearchButton()->setEnabled(false);
}

void TVeskSearch::Search(const TSearchRequest& request) {
  if (!queries_) {
    return;
  }
  results_.Clear();
  // The shown list's edits reach the catalog before it is searched.
  if (writeBack_) {
    writeBack_->WriteNow();
  }
  if (!request.Folders.isEmpty() || !request.CategoryIDs.empty()) {
    const TComparObj criteria = BuildCriteria(request.Properties);
    TSearchHooks hooks;
    hooks.ReadDimensions = readDimensions_;
    progress_->Execute(*queries_, request, criteria, results_, hooks);
  }
  // Cancelled or not, what was found is shown.
  Show(TResultsShow::AfterSearch);
}

void TVeskSearch::ShowResults() {
  if (queries_ && lists_.ListSource != TListSource::Search) {
    Show(TResultsShow::Again);
  }
}

void TVeskSearch::Show(TResultsShow how) {
  TRibbonView* ribbon = host_.Ribbon ? host_.Ribbon() : nullptr;
  if (ribbon) {
    ribbon->ResetForLoad();
    ribbon->SetPolling(false);
  }
  const TFolderLoadReport report = ShowSearchResults(results_, lists_, list_.SortState(), filter_,
                                                     *queries_, hooks_, how, list_.TypeNameOf());
  if (ribbon) {
    ribbon->ResetForLoad();
    ribbon->PrepareScene();
    ribbon->SetPolling(!lists_.CurrentFiles.IsEmpty());
  }
  host_.UpdateTitle();
  if (host_.ShowLoadReport) {
    host_.ShowLoadReport(report);
  }
  if (host_.SelectionChanged) {
    host_.SelectionChanged();
  }
  qCDebug(lcMainWindow) << "search results shown:" << lists_.CurrentFiles.Count();
}

void TVeskSearch::ApplyLanguage() {
  page_->ApplyLanguage();
  progress_->ApplyCaptions();
}

}  // namespace glimr
