#pragma once
// The search result list (owned records, kept from one search to the next so
// "Show results" can bring it back) and the source that shows it.

#include <QString>

#include <cstdint>

#include "browse/filelist.h"
#include "browse/shownlist.h"
#include "catalog/imagefileinfo.h"

namespace glimr {

class TCatalogQueries;

// The search result list: full path -> record, owned. It survives between
// searches (a new search empties it first) so that "Show results" can bring
// it back after the user has looked elsewhere. While a search runs, only the
// run's thread fills it; the progress window hands it back once that thread
// has ended.
class TSearchResults {
 public:
  TFileList& List() { return list_; }
  const TFileList& List() const { return list_; }
  int Count() const { return list_.Count(); }
  bool IsEmpty() const { return list_.IsEmpty(); }
  // Frees every record.
  void Clear() { list_.Clear(); }

 private:
  TFileList list_{true};
};

// How the results are shown.
enum class TResultsShow : std::uint8_t {
  // Straight after a search: the records were just read from the catalog.
  AfterSearch,
  // "Show results" later on: the user may have edited some of these images
  // meanwhile (in this list or in a folder), so caption, category, rating,
  // turn and flips are read again from their rows, and files gone from the
  // disk are left out.
  Again,
};

// The search results as a source of the shown list: a copy of every result
// is made (the result list keeps its own records); edits the catalog
// refused wait in PendingWrites and are shown over the copies. With
// TResultsShow::Again the first failure of the catalog stops the rereading
// of the rows (the stored copies are shown) and is the report's error.
class TSearchSource : public TShownSource {
 public:
  TSearchSource(const TSearchResults& results, TCatalogQueries& queries, TResultsShow how)
      : results_(results), queries_(queries), how_(how) {}

  TListSource Kind() const override { return TListSource::Search; }
  void Fill(TCurrentLists& lists, const TFillServices& services,
            TFolderLoadReport& report) override;

 private:
  const TSearchResults& results_;
  TCatalogQueries& queries_;
  TResultsShow how_;
};

// Shows the results through the shown list's switch. Raises nothing of its
// own.
TFolderLoadReport ShowSearchResults(const TSearchResults& results, TShownList& shown,
                                    TCatalogQueries& queries,
                                    TResultsShow how = TResultsShow::AfterSearch);

}  // namespace glimr
