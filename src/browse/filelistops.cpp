#include "browse/filelistops.h"

#include <QSet>

#include <vector>

#include "catalog/writehealth.h"
#include "common/language.h"

namespace glimr {

TSortState NextSortState(const TSortState& current, int clickedColumn) {
  TSortState next;
  next.Column = clickedColumn;
  if (clickedColumn == current.Column) {
    next.Arrow = current.Arrow == 1 ? 2 : 1;
  } else {
    next.Arrow = 1;
  }
  return next;
}

void ResortLists(TCurrentLists& lists, const TSortState& sort, const TTypeNameOf& typeName) {
  if (sort.Column < scName || sort.Column > scDate) {
    // No comparison (Rating): both lists keep their order, and the shown
    // list already follows the loaded one.
    return;
  }
  SortLoadedFiles(lists.LoadedFiles, sort.Column, sort.Arrow, typeName);
  TFileList& current = lists.CurrentFiles;
  if (current.Count() < 2) {
    return;
  }
  // Walk the loaded list in its new order; every key also shown takes the
  // next position of the shown list.
  std::vector<int> order;
  order.reserve(static_cast<size_t>(current.Count()));
  std::vector<bool> taken(static_cast<size_t>(current.Count()), false);
  const TFileList& loaded = lists.LoadedFiles;
  for (int i = 0; i < loaded.Count(); ++i) {
    const int j = current.IndexOf(loaded.Key(i));
    if (j >= 0 && !taken[static_cast<size_t>(j)]) {
      taken[static_cast<size_t>(j)] = true;
      order.push_back(j);
    }
  }
  // Entries of the shown list missing from the loaded one (not expected)
  // keep their relative order at the end rather than being lost.
  for (int j = 0; j < current.Count(); ++j) {
    if (!taken[static_cast<size_t>(j)]) {
      order.push_back(j);
    }
  }
  current.Reorder(order);
}

TSelectionSummary SummarizeSelection(const TFileList& currentFiles) {
  TSelectionSummary s;
  for (int i = 0; i < currentFiles.Count(); ++i) {
    const TImageFileInfo* r = currentFiles.At(i);
    if (r->Selected && !r->IsFolder) {
      ++s.Count;
      s.Size += r->FileSize;
    }
  }
  return s;
}

QString SelectionSummaryText(const TSelectionSummary& summary) {
  return LangText(TLangSection::Strings, 19, QStringLiteral("Files selected:")) + QLatin1Char(' ') +
         QString::number(summary.Count) + QStringLiteral("; ") +
         LangText(TLangSection::Strings, 20, QStringLiteral("Size:")) + QLatin1Char(' ') +
         FileSizeToText(summary.Size);
}

int RemoveSelectedEntries(TCurrentLists& lists, const TWriteBack& writeBack) {
  TFileList& current = lists.CurrentFiles;
  std::vector<int> removed;
  for (int i = 0; i < current.Count(); ++i) {
    const TImageFileInfo* r = current.At(i);
    if (r->Selected && !r->IsFolder) {
      removed.push_back(i);
    }
  }
  if (removed.empty()) {
    return 0;
  }
  // Every write comes before any removal: a failing write leaves both lists
  // whole, so the changes still reach the database at the next unload. A
  // write the catalog refuses (read-only, full) does not stop the removal:
  // the record's copy waits in the pending writes for the next write-back.
  for (int i : removed) {
    TImageFileInfo* r = current.At(i);
    if (r->Modified) {
      try {
        if (writeBack) {
          writeBack(*r);
        }
      } catch (const TCatalogWriteError&) {
        lists.PendingWrites.Put(*r);
      }
      r->Modified = false;
    }
  }
  QSet<const TImageFileInfo*> gone;
  gone.reserve(static_cast<qsizetype>(removed.size()));
  for (int i : removed) {
    TImageFileInfo* r = current.At(i);
    // The width passes on to the next entry (which may itself be leaving and
    // then hands it on again), so the ribbon coordinates after the gap stay.
    if (i + 1 < current.Count()) {
      current.At(i + 1)->SlotWidth += r->SlotWidth;
    }
    gone.insert(r);
  }
  auto drop = [&gone](const TImageFileInfo& r) { return gone.contains(&r); };
  current.RemoveIf(drop);
  lists.LoadedFiles.RemoveIf(drop);
  return static_cast<int>(removed.size());
}

}  // namespace glimr
