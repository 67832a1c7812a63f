#include "board/boardactions.h"

#include <algorithm>

#include "board/boardlist.h"
#include "browse/filelist.h"
#include "browse/shownlist.h"
#include "fileops/clipboardlist.h"
#include "fileops/copyfollow.h"

namespace glimr {

bool CopySelectedToBoard(TBoardList& board, const TFileList& currentFiles) {
  bool anySelected = false;
  for (int i = 0; i < currentFiles.Count() && !anySelected; ++i) {
    anySelected = currentFiles.At(i) && currentFiles.At(i)->Selected;
  }
  if (!anySelected) {
    return false;
  }
  board.CheckAll(false);
  for (int i = 0; i < currentFiles.Count(); ++i) {
    const TImageFileInfo* r = currentFiles.At(i);
    if (!r || !r->Selected || r->IsFolder) {
      continue;
    }
    const QString& key = currentFiles.Key(i);
    if (const int row = board.IndexOf(key); row >= 0) {
      board.SetChecked(row, true);
      continue;
    }
    // The key is the path the list knows the file by; the row shows it split
    // the same way.
    TBoardEntry entry;
    const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
    entry.Path = key.left(slash + 1);
    entry.FileName = key.mid(slash + 1);
    entry.CatalogID = r->CatalogID;
    entry.ExtIndex = r->ExtIndex;
    entry.Checked = true;
    board.Append(entry);
  }
  return true;
}

std::vector<TCopyEntry> BoardCopyEntries(const TBoardList& board) {
  std::vector<TCopyEntry> entries;
  for (int row : board.CheckedRows()) {
    const TBoardEntry& e = board.At(row);
    entries.push_back(TCopyEntry{e.FullPath(), false, e.CatalogID});
  }
  return entries;
}

namespace {

TBoardPasteResult PasteTickedIntoFolder(const TBoardList& board, TShownList& shown,
                                        TCatalogQueries& queries, const TBoardCopyRun& runCopy,
                                        const TFileActionHooks& hooks) {
  const std::vector<TCopyEntry> entries = BoardCopyEntries(board);
  if (entries.empty()) {
    return {};
  }
  QString folder = shown.Folder();
  if (!folder.endsWith(QLatin1Char('/'))) {
    folder += QLatin1Char('/');
  }
  const std::vector<TCopyResult> results =
      runCopy ? runCopy(entries, folder) : std::vector<TCopyResult>{};
  // The board only copies, and a copy never touches the clipboard: the
  // follower gets one of its own.
  TClipboardList unused;
  TCopyFollower follower(shown, queries, unused, hooks);
  const size_t n = std::min(entries.size(), results.size());
  for (size_t i = 0; i < n; ++i) {
    follower.FileDone(entries[i], results[i]);
  }
  follower.RunEnded(results);
  return {follower.RowError()};
}

TBoardPasteResult PasteTickedIntoCategory(const TBoardList& board, std::int32_t category,
                                          TShownList& shown, TCatalogQueries& queries,
                                          const TFileActionHooks& hooks) {
  // The ticked rows make a clipboard of copies, whose category paste follows
  // the same rules: a listed image is left alone, a vanished file is passed
  // over, a file the catalog has not met gets its row with the category.
  TFileList ticked(true);
  for (int row : board.CheckedRows()) {
    const TBoardEntry& e = board.At(row);
    auto* r = new TImageFileInfo;
    r->FileName = e.FileName;
    r->Path = e.Path;
    r->CatalogID = e.CatalogID;
    r->Selected = true;
    ticked.Append(e.FullPath(), r);
  }
  TClipboardList asClipboard;
  asClipboard.PutSelected(ticked, false);
  PasteIntoCategory(asClipboard, category, shown, queries, hooks);
  return {};
}

}  // namespace

TBoardPasteResult PasteBoard(const TBoardList& board, TShownList& shown, TCatalogQueries& queries,
                             std::int32_t shownCategory, const TBoardCopyRun& runCopy,
                             const TFileActionHooks& hooks) {
  if (board.IsEmpty()) {
    return {};
  }
  switch (shown.Source()) {
    case TListSource::Catalog:
      if (shown.Folder().isEmpty()) {
        return {};
      }
      return PasteTickedIntoFolder(board, shown, queries, runCopy, hooks);
    case TListSource::Category:
      if (shownCategory == 0) {
        return {};
      }
      return PasteTickedIntoCategory(board, shownCategory, shown, queries, hooks);
    case TListSource::Search:
      break;
  }
  return {};
}

}  // namespace glimr
