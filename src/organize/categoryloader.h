#pragma once
// A category as a source of the shown list: every file of it, from whatever
// folder, becomes a record (files no longer on disk are left out, their rows
// stay). Edits the catalog has not taken yet (PendingWrites) are shown over
// the rows; a file whose pending edit moved it to another category is left
// out.

#include <cstdint>

#include "browse/shownlist.h"

namespace glimr {

class TCatalogQueries;

class TCategorySource : public TShownSource {
 public:
  TCategorySource(TCatalogQueries& queries, std::int32_t categoryID)
      : queries_(queries), categoryID_(categoryID) {}

  TListSource Kind() const override { return TListSource::Category; }
  void Fill(TCurrentLists& lists, const TFillServices& services,
            TFolderLoadReport& report) override;

 private:
  TCatalogQueries& queries_;
  std::int32_t categoryID_;
};

// Shows categoryID through the shown list's switch (CurrentFolder is left as
// it was). Raises nothing of its own.
TFolderLoadReport ShowCategory(TCatalogQueries& queries, std::int32_t categoryID,
                               TShownList& shown);

}  // namespace glimr
