#pragma once
// The search result list (owned records, kept from one search to the next so
// "Show results" can bring it back) and ShowSearchResults, which makes it the
// current file list the way a folder load does.

#include <QString>

#include <cstdint>

#include "browse/currentlists.h"
#include "browse/filelist.h"
#include "browse/filesort.h"
#include "browse/filter.h"
#include "browse/folderloader.h"
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

// Makes a copy of every result the current list (ListSource Search): stops
// the loader, writes back and frees what lists held (edits the catalog
// refuses wait in PendingWrites and are shown over the copies), sorts and
// filters, shows the list and queues its first images. The result list
// keeps its own records. Raises nothing of its own: whatever fails, the
// lists end consistent and ShowList is called.
TFolderLoadReport ShowSearchResults(const TSearchResults& results, TCurrentLists& lists,
                                    const TSortState& sort, const TFilterSettings& filter,
                                    TCatalogQueries& queries, const TFolderLoadHooks& hooks,
                                    TResultsShow how = TResultsShow::AfterSearch,
                                    const TTypeNameOf& typeNameOf = {});

}  // namespace glimr
