#pragma once
// What the main window does with the image board: Copy To ImageBoard takes
// the images selected in the shown list, Paste From ImageBoard copies the
// ticked images' files into the shown folder or gives them the shown
// category. The board itself is not changed by a paste.

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include "fileops/copyengine.h"
#include "fileops/fileactions.h"

namespace glimr {

class TBoardList;
class TCatalogQueries;
class TFileList;
class TShownList;

// Copy To ImageBoard. With nothing selected in currentFiles nothing happens
// (returns false). Otherwise every row is unticked, and each selected image
// (folder entries are passed over) is appended with a tick, or ticked
// again when it is on the board already: afterwards exactly the images just
// taken are ticked.
bool CopySelectedToBoard(TBoardList& board, const TFileList& currentFiles);

// The copy run of a paste into a folder: one copy (never a move) of each
// ticked row's file, in row order.
std::vector<TCopyEntry> BoardCopyEntries(const TBoardList& board);

// Runs the copy of entries into folder (ending with "/") with the overwrite
// question asked, and returns the engine's results, one per entry in their
// order, however the run ended.
using TBoardCopyRun = std::function<std::vector<TCopyResult>(const std::vector<TCopyEntry>& entries,
                                                             const QString& folder)>;

struct TBoardPasteResult {
  // The first catalog write that failed ("" when none). The files are in
  // place; their rows follow when the catalog takes writes again.
  QString RowError;
};

// Paste From ImageBoard into what the shown list shows. A folder (a current
// folder known): the ticked rows' files are copied there through runCopy;
// each copy that lands in the folder joins the list at its sorted place with
// a new row of default values, and a copy that overwrote a file resets that
// file's record and row to defaults. A category (shownCategory not 0): each
// ticked image not listed yet gets the category in the catalog and joins the
// list at its sorted place as its row reads; no file is copied. Files gone
// from the disk are passed over. The other entries keep their order and
// marks. Search results, an empty board or nothing ticked for a folder:
// nothing happens.
TBoardPasteResult PasteBoard(const TBoardList& board, TShownList& shown, TCatalogQueries& queries,
                             std::int32_t shownCategory, const TBoardCopyRun& runCopy,
                             const TFileActionHooks& hooks = {});

}  // namespace glimr
