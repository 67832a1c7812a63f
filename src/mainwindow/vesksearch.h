#pragma once
// Routes the Search page to the shown lists: a search runs in its progress
// window over the chosen folders and categories, after the shown list's
// edits are written, and its results become the current list (no history);
// "Show results" brings them back after another place was shown.

#include <QObject>
#include <QStringList>

#include <functional>

#include "browse/folderloader.h"
#include "search/criteria.h"
#include "search/searchresults.h"

namespace glimr {

class TCatalogQueries;
class TEditWriteBack;
class TFileListView;
class TfrmProcessSearch;
class TfrSearch;
class TRibbonView;
struct TCurrentLists;
struct TFilterSettings;
struct TSearchRequest;

class TVeskSearch : public QObject {
  Q_OBJECT

 public:
  // What the window lends.
  struct THost {
    std::function<TRibbonView*()> Ribbon;
    std::function<void()> UpdateTitle;
    std::function<void(const TFolderLoadReport&)> ShowLoadReport;
    std::function<void()> SelectionChanged;
  };

  TVeskSearch(TCurrentLists& lists, TFileListView& list, TFilterSettings& filter, THost host,
              QWidget* window);
  ~TVeskSearch() override;

  TfrSearch* Page() const { return page_; }

  // The catalog's services. types: every extension the plug-ins read;
  // readDimensions: an image's size from its header (any thread).
  void Attach(TCatalogQueries& queries, TEditWriteBack& writeBack, const TFolderLoadHooks& hooks,
              std::function<QStringList()> types, TDimensionsReader readDimensions);
  void Detach();

  // Runs the page's search and shows what it found.
  void Search(const TSearchRequest& request);
  // The last results again (after a folder or category was shown).
  void ShowResults();
  const TSearchResults& Results() const { return results_; }

  void ApplyLanguage();

 private:
  void Show(TResultsShow how);

  TCurrentLists& lists_;
  TFileListView& list_;
  TFilterSettings& filter_;
  THost host_;
  TfrSearch* page_ = nullptr;
  TfrmProcessSearch* progress_ = nullptr;
  TSearchResults results_;
  TCatalogQueries* queries_ = nullptr;
  TEditWriteBack* writeBack_ = nullptr;
  TFolderLoadHooks hooks_;
  TDimensionsReader readDimensions_;
};

}  // namespace glimr
