#pragma once
// Routes the Search page to the shown list: a search runs in its progress
// window over the chosen folders and categories, after the shown list's
// edits are written, and its results become the shown list (no history);
// "Show results" brings them back after another place was shown.

#include <QObject>
#include <QStringList>

#include <functional>

#include "search/criteria.h"
#include "search/searchresults.h"

class QWidget;

namespace glimr {

class TCatalogQueries;
class TfrmProcessSearch;
class TfrSearch;
class TShownList;
struct TSearchRequest;

class TSearchCommands : public QObject {
  Q_OBJECT

 public:
  // What the window lends: its title and the report of a switch.
  struct THost {
    std::function<void()> UpdateTitle;
    std::function<void(const TFolderLoadReport&)> ShowLoadReport;
  };

  // window: the progress window's parent and this object's owner.
  TSearchCommands(TShownList& shown, THost host, QWidget* window);
  ~TSearchCommands() override;

  // The Search page, built here without a parent: the window places it.
  TfrSearch* Page() const { return page_; }

  // The catalog's services. types: every extension the plug-ins read;
  // readDimensions: an image's size from its header (any thread).
  void Attach(TCatalogQueries& queries, std::function<QStringList()> types,
              TDimensionsReader readDimensions);
  void Detach();

  // Runs the page's search and shows what it found.
  void Search(const TSearchRequest& request);
  // The last results again (after a folder or category was shown).
  void ShowResults();
  const TSearchResults& Results() const { return results_; }

  void ApplyLanguage();

 private:
  void Show(TResultsShow how);

  TShownList& shown_;
  THost host_;
  TfrSearch* page_ = nullptr;
  TfrmProcessSearch* progress_ = nullptr;
  TSearchResults results_;
  TCatalogQueries* queries_ = nullptr;
  TDimensionsReader readDimensions_;
};

}  // namespace glimr
