#pragma once
// Keeps the catalog and the shown lists in step with a copy or move run. A
// moved file's catalog row (caption, rating, category, turn) is copied to
// the destination just before the file goes there, and the old row is
// deleted once it has, so a run stopped at any point leaves a row wherever
// the file is; a file a copy overwrote loses the row of its old content;
// after the run the shown list loses what left the shown folder and gains
// what landed in it, at its sorted place. The other entries keep their
// order and their selection and focus marks.

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

#include "catalog/imagefileinfo.h"
#include "fileops/copyengine.h"
#include "fileops/fileactions.h"

namespace glimr {

class TCatalogQueries;
class TClipboardList;
class TShownList;

class TCopyFollower {
 public:
  TCopyFollower(TShownList& shown, TCatalogQueries& queries, TClipboardList& clipboard,
                TFileActionHooks hooks = {});

  // Main thread, once for every entry the run settled, as soon as it did,
  // and for a move also just before its file is placed (result.Placing;
  // TCopyHooks::BeforePlace).
  void FileDone(const TCopyEntry& entry, const TCopyResult& result);

  // After the run, however it ended: a folder list drops the files moved out
  // of its folder, and the files copied or moved into it join it at their
  // sorted places (a moved one with its row, a copy with a row of default
  // values). Returns true when the list changed.
  bool RunEnded(const std::vector<TCopyResult>& results);

  // The first catalog write that failed ("" when none): the files are in
  // place and the rows follow from the kept copies once the catalog takes
  // writes again.
  const QString& RowError() const { return rowError_; }

 private:
  // The row made at a move's destination before the file went there.
  struct TTwin {
    std::int32_t SourceID = 0;   // the row of the file at its old place (0: none)
    std::int32_t ID = 0;         // its copy at the destination (0: none)
    std::int32_t CatalogID = 0;  // the destination's catalog
    // The row that held the destination's name before (put back when the
    // file does not come).
    std::optional<TImageFileInfo> Displaced;
  };

  void MakeTwin(const TCopyEntry& entry, const TCopyResult& result);
  void DropTwin(const TTwin& twin);
  void CarryRow(const TCopyEntry& entry, const TCopyResult& result, const TTwin* twin);
  void ForgetReplaced(const QString& path);
  void NoteRowError(const QString& message);

  TShownList& shown_;
  TCatalogQueries& queries_;
  TClipboardList& clipboard_;
  TFileActionHooks hooks_;
  QString rowError_;
  // Twins of the moves in hand, by source path.
  QHash<QString, TTwin> twins_;
};

}  // namespace glimr
