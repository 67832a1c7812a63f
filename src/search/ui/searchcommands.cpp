#include "search/ui/searchcommands.h"

#include <QPushButton>

#include "browse/shownlist.h"
#include "search/searchrequest.h"
#include "search/searchrun.h"
#include "search/ui/frmprocesssearch.h"
#include "search/ui/frsearch.h"

namespace glimr {

TSearchCommands::TSearchCommands(TShownList& shown, THost host, QWidget* window)
    : QObject(window), shown_(shown), host_(std::move(host)) {
  page_ = new TfrSearch();
  progress_ = new TfrmProcessSearch(window);
  connect(page_, &TfrSearch::searchRequested, this,
          [this](const TSearchRequest& request) { Search(request); });
  connect(page_, &TfrSearch::showResultsRequested, this, [this] { ShowResults(); });
  page_->SearchButton()->setEnabled(false);  // until the catalog is there
}

TSearchCommands::~TSearchCommands() = default;

void TSearchCommands::Attach(TCatalogQueries& queries, std::function<QStringList()> types,
                             TDimensionsReader readDimensions) {
  queries_ = &queries;
  readDimensions_ = std::move(readDimensions);
  page_->SetCatalogQueries(queries);
  page_->SetTypeSource(std::move(types));
  page_->SearchButton()->setEnabled(true);
}

void TSearchCommands::Detach() {
  queries_ = nullptr;
  readDimensions_ = {};
  page_->SearchButton()->setEnabled(false);
}

void TSearchCommands::Search(const TSearchRequest& request) {
  if (!queries_) {
    return;
  }
  results_.Clear();
  // The shown list's edits reach the catalog before it is searched, so the
  // search sees the captions, ratings and categories as the user left them.
  shown_.WriteBack();
  if (!request.Folders.isEmpty() || !request.CategoryIDs.empty()) {
    const TComparObj criteria = BuildCriteria(request.Properties);
    TSearchHooks hooks;
    hooks.ReadDimensions = readDimensions_;
    progress_->Execute(*queries_, request, criteria, results_, hooks);
  }
  // Cancelled or not, what was found is shown.
  Show(TResultsShow::AfterSearch);
}

void TSearchCommands::ShowResults() {
  if (queries_ && shown_.Source() != TListSource::Search) {
    Show(TResultsShow::Again);
  }
}

void TSearchCommands::Show(TResultsShow how) {
  const TFolderLoadReport report = ShowSearchResults(results_, shown_, *queries_, how);
  if (host_.UpdateTitle) {
    host_.UpdateTitle();
  }
  if (host_.ShowLoadReport) {
    host_.ShowLoadReport(report);
  }
}

void TSearchCommands::ApplyLanguage() {
  page_->ApplyLanguage();
  progress_->ApplyCaptions();
}

}  // namespace glimr
