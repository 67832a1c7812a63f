#pragma once
// The file list's logic without a widget: the header-click sort state,
// re-sorting the shown list in the loaded list's order, the status line's
// selection summary and taking selected images out of the current lists.

#include <QString>

#include <cstdint>
#include <functional>

#include "browse/currentlists.h"
#include "browse/filesort.h"
#include "browse/folderloader.h"

namespace glimr {

// The arrow state after a click on column c: the same column alternates
// 1 (descending) and 2 (ascending); another column starts at 1. The old
// sort column's arrow goes back to 0 (only the sort column shows one).
TSortState NextSortState(const TSortState& current, int clickedColumn);

// Resort(): sorts LoadedFiles by the sort state, then gives CurrentFiles the
// same order without filtering again (its entries keep their records).
// Columns without a comparison (Rating) keep the order.
void ResortLists(TCurrentLists& lists, const TSortState& sort, const TTypeNameOf& typeName = {});

// The selected images of the shown list: their number and total size.
// Folder entries never count.
struct TSelectionSummary {
  int Count = 0;
  std::int64_t Size = 0;
  bool operator==(const TSelectionSummary&) const = default;
};
TSelectionSummary SummarizeSelection(const TFileList& currentFiles);

// "Files selected: 3; Size: 1.5 Mb" in the language in force.
QString SelectionSummaryText(const TSelectionSummary& summary);

// Writes a record back to the database (UpdateFileRecord); throws on failure.
using TWriteBack = std::function<void(const TImageFileInfo& record)>;

// The list part of RemoveSelectedFromView: every selected image entry of
// CurrentFiles leaves both lists (and is freed); its ribbon width is added to
// the next entry's, so the ribbon can close the gap smoothly. Selected folder
// entries stay. Modified records are written back first: when a write fails
// the error is raised and nothing is removed, so no change is lost; a write
// the catalog refuses (TCatalogWriteError) leaves the record's copy in
// lists.PendingWrites instead and the removal goes on. Returns the number
// of entries removed.
int RemoveSelectedEntries(TCurrentLists& lists, const TWriteBack& writeBack);

}  // namespace glimr
