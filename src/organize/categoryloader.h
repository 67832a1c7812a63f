#pragma once
// Shows a category: every file of it, from whatever folder, becomes a record
// of the current lists (files no longer on disk are left out, their rows
// stay), sorted, filtered, with its first images queued for the loader. The
// same hooks and report as a folder load, so the window drives both alike.

#include <cstdint>

#include "browse/currentlists.h"
#include "browse/filesort.h"
#include "browse/filter.h"
#include "browse/folderloader.h"

namespace glimr {

class TCatalogQueries;

class TCategoryLoader {
 public:
  TCategoryLoader(TCatalogQueries& queries, TFolderLoadHooks hooks = {});

  void SetTypeNameOf(TTypeNameOf typeNameOf) { typeNameOf_ = std::move(typeNameOf); }

  // Writes back and replaces what lists hold with the files of categoryID
  // (ListSource Category; CurrentFolder is left as it was). Raises nothing
  // of its own: whatever fails, the lists end consistent, ShowList is
  // called and the loader started only for what CurrentFiles holds. Edits
  // the catalog has not taken yet (PendingWrites) are shown over the rows;
  // a file whose pending edit moved it to another category is left out.
  TFolderLoadReport ShowCategory(std::int32_t categoryID, TCurrentLists& lists,
                                 const TSortState& sort, const TFilterSettings& filter);

  static constexpr int kQueueCount = TFolderLoader::kQueueCount;

 private:
  void Fill(std::int32_t categoryID, TCurrentLists& lists, const TSortState& sort,
            const TFilterSettings& filter, TFolderLoadReport& report);
  void ShowAndQueue(const TCurrentLists& lists);

  TCatalogQueries& queries_;
  TFolderLoadHooks hooks_;
  TTypeNameOf typeNameOf_;
};

}  // namespace glimr
