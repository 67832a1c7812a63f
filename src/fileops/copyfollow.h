#pragma once
// Keeps the catalog and the shown lists in step with a copy or move run. A
// moved file takes its catalog row (caption, rating, category, turn) along
// as soon as the file is in place, so a run stopped at any point leaves rows
// that match the disk; a file a copy overwrote loses the row of its old
// content; after the run the lists lose what left the shown folder and gain
// what landed in it.

#include <QString>

#include <vector>

#include "fileops/copyengine.h"
#include "fileops/fileactions.h"

namespace glimr {

class TCatalogQueries;
class TClipboardList;
struct TCurrentLists;

class TCopyFollower {
 public:
  TCopyFollower(TCurrentLists& lists, TCatalogQueries& queries, TClipboardList& clipboard,
                TFileActionHooks hooks = {});

  // Main thread, once for every entry the run settled, as soon as it did.
  void FileDone(const TCopyEntry& entry, const TCopyResult& result);

  // After the run, however it ended: a folder list drops the files moved out
  // of its folder, and the files copied or moved into it join it (a moved
  // one with its row, a copy with a row of default values). Returns true
  // when the lists changed.
  bool RunEnded(const std::vector<TCopyResult>& results);

  // The first catalog write that failed ("" when none): the files are in
  // place and the rows follow from the kept copies once the catalog takes
  // writes again.
  const QString& RowError() const { return rowError_; }

 private:
  void CarryRow(const TCopyEntry& entry, const TCopyResult& result);
  void ForgetReplaced(const QString& path);
  void NoteRowError(const QString& message);

  TCurrentLists& lists_;
  TCatalogQueries& queries_;
  TClipboardList& clipboard_;
  TFileActionHooks hooks_;
  QString rowError_;
};

}  // namespace glimr
