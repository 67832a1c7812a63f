#pragma once
// Delete, rename and paste into a category on the shown list, the catalog
// and the disk, without a window. The disk comes first: a catalog row or a
// list entry changes only after its file did, so a failure never parts the
// user's captions, ratings and categories from a file that is still there.

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace glimr {

class TCatalogQueries;
class TClipboardList;
class TFileList;
class TShownList;

// The answer when no trash can take a file.
enum class TPermanentDelete : std::uint8_t {
  Delete,     // delete this file permanently
  DeleteAll,  // ... and every later one of the same run without asking
  Keep,       // keep this file
  KeepAll,    // ... and every later one of the same run
};

// What the commands add: questions and the parts outside the shown list
// (the thumbnail cache, the image board). Every hook may be unset.
struct TFileActionHooks {
  // Asked on the calling thread when no trash takes the file; unset: Keep.
  std::function<TPermanentDelete(const QString& path)> AskDeletePermanently;
  // The file is gone from the disk (its row and list entry go next).
  std::function<void(const QString& path)> FileGone;
  // The file at this path has new content (a copy overwrote it): a
  // thumbnail made of the old content must go.
  std::function<void(const QString& path)> FileReplaced;
  // The file now has a new name; lists, clipboard and row follow already.
  std::function<void(const QString& oldPath, const QString& newPath)> FileRenamed;
  // The position of a file's type in the extension table.
  std::function<std::int32_t(const QString& fullPath)> ExtensionIndex;
};

enum class TDeleteOutcome : std::uint8_t {
  Trashed,             // moved to the desktop's trash
  DeletedPermanently,  // no trash took it and the user agreed
  AlreadyGone,         // its folder is there, the file is not
  Declined,            // no trash took it and the user kept it
  Failed,              // the system refused; Reason says why
};

struct TDeleteResult {
  QString Path;
  TDeleteOutcome Outcome = TDeleteOutcome::Failed;
  QString Reason;    // the system's message for Failed
  QString RowError;  // the file is gone but the catalog refused to drop its row
};

// Deletes the files of the selected images of the shown list (folder
// entries are passed over), each to the trash when one takes it. A file that
// is gone loses its catalog row, its clipboard entry and its entry in the
// list; one that stays keeps all of them, and stays selected. One result per
// selected image, in the list's order. For a list that shows a folder.
std::vector<TDeleteResult> DeleteSelectedFiles(TShownList& shown, TCatalogQueries& queries,
                                               TClipboardList& clipboard,
                                               const TFileActionHooks& hooks = {});

// The same delete for a caller that decides what happens around the gone
// entries before they leave (where the focus goes): every entry stays in the
// list, and afterwards exactly the entries whose files are gone are
// selected, their records cleared of edits so that Remove(keys, false) can
// take them. A file that stays keeps its row and entry but loses its
// selection.
std::vector<TDeleteResult> DeleteSelectedFilesMarkingGone(TShownList& shown,
                                                          TCatalogQueries& queries,
                                                          TClipboardList& clipboard,
                                                          const TFileActionHooks& hooks = {});

// The key of the entry that takes the focus when the selected images leave
// CurrentFiles (selected folder entries stay): the focused entry when it
// stays, else the first staying entry after it (the one that takes its
// place), else the last one before it. Empty when nothing is focused or
// nothing stays.
QString FocusAfterRemoval(const TFileList& currentFiles, int focusedRow);

// Why a new file name is refused.
enum class TNameProblem : std::uint8_t {
  None,
  Empty,
  HasSlash,  // a "/" would name another folder
  HasNul,
  DotName,  // "." or ".."
  Exists,   // another file or folder has that name
};

// Whether newName may be given to a file of folder (ending with "/") that
// is now called oldName.
TNameProblem CheckNewName(const QString& folder, const QString& oldName, const QString& newName);

struct TRenameResult {
  bool Renamed = false;
  TNameProblem Problem = TNameProblem::None;
  QString Error;     // the system's message when the rename on disk failed
  QString RowError;  // renamed, but the catalog refused the new name for now
};

// Renames the image listed under oldPath to newName in its folder: on disk
// first, then its clipboard entry, its key in the list (its row stays where
// it is), its record and its catalog row follow. A refused name or a failed
// rename changes nothing.
TRenameResult RenameImage(TShownList& shown, TCatalogQueries& queries, TClipboardList& clipboard,
                          const QString& oldPath, const QString& newName,
                          const TFileActionHooks& hooks = {});

// Paste while the category categoryID is shown: every clipboard image not
// listed yet gets the category in the catalog and joins the list as its row
// reads, at its sorted place; the other entries keep their order and marks.
// No file is touched and the clipboard stays. Files gone from the disk are
// passed over. Returns the number of images added.
int PasteIntoCategory(const TClipboardList& clipboard, std::int32_t categoryID, TShownList& shown,
                      TCatalogQueries& queries, const TFileActionHooks& hooks = {});

}  // namespace glimr
