#pragma once
// The file list's logic without a widget: the header-click sort state and
// the status line's selection summary.

#include <QString>

#include <cstdint>
#include <functional>

#include "browse/filelist.h"
#include "browse/shownlist.h"

namespace glimr {

// The arrow state after a click on column c: the same column alternates
// 1 (descending) and 2 (ascending); another column starts at 1. The old
// sort column's arrow goes back to 0 (only the sort column shows one).
TSortState NextSortState(const TSortState& current, int clickedColumn);

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

}  // namespace glimr
