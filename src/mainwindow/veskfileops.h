#pragma once
// Routes the file commands of the main window (Copy and Move to Folder, Cut,
// Copy, Paste, Delete, Rename, and the image board's Copy To and Paste From)
// to the file operations, and brings the shown
// lists, the thumbnail cache and the ribbon in line afterwards. The windows
// it needs (destination dialog, progress window, questions) come through the
// host, so the window stays a host and tests can stand in for them.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "fileops/clipboardlist.h"
#include "fileops/copyengine.h"
#include "fileops/fileactions.h"

namespace glimr {

class TBoardList;
class TCatalogQueries;
class TFileListView;
class TVeskActions;
struct TCurrentLists;

// The destination dialog's answer.
struct TCopyDestination {
  QString Folder;
  TOverwritePolicy Policy = TOverwritePolicy::Ask;
};

class TVeskFileOps : public QObject {
  Q_OBJECT

 public:
  // What the window lends: the list refresh, the category in use, and the
  // questions and messages it shows (tests answer them).
  struct THost {
    // Sorts and filters the lists anew and rebuilds the view and the ribbon.
    std::function<void()> Refilter;
    // The category chosen on the Categories page, 0 for none.
    std::function<std::int32_t()> SelectedCategory;
    // A file was renamed: the ribbon's captions and the File Info page follow.
    std::function<void()> AfterRename;
    std::function<TPermanentDelete(const QString& path)> AskDeletePermanently;
    std::function<std::optional<QString>(const QString& oldName)> AskNewName;
    std::function<void(const QString& text)> ShowMessage;
  };

  // What the program lends once the catalog and the cache are there.
  struct TServices {
    // The destination dialog for a copy (move false) or a move; none when
    // the user cancelled.
    std::function<std::optional<TCopyDestination>(bool move)> ChooseDestination;
    // Runs the engine with its progress window; fileDone runs on the main
    // thread for every settled entry. Returns one result per entry.
    std::function<std::vector<TCopyResult>(
        std::vector<TCopyEntry> entries, const QString& folder, TOverwritePolicy policy,
        std::function<void(std::size_t, const TCopyResult&)> fileDone)>
        RunCopy;
    // A file the program deleted, moved away, overwrote or renamed: its
    // thumbnail is dropped from the cache.
    std::function<void(const QString& path)> DropThumbnail;
    // The position of a file's type in the extension table.
    std::function<std::int32_t(const QString& fullPath)> ExtensionIndex;
  };

  // clipboard and board belong to the program and outlive the commands.
  TVeskFileOps(TCurrentLists& lists, TFileListView& list, TVeskActions& actions,
               TClipboardList& clipboard, TBoardList& board, THost host, QObject* parent = nullptr);
  ~TVeskFileOps() override;

  // Enables the file actions.
  void Attach(TCatalogQueries& queries, TServices services);
  void Detach();

  TClipboardList& Clipboard() { return clipboard_; }
  // The image board, whose rows follow deletes, moves and renames.
  TBoardList& Board() { return board_; }

  void CopyMoveSelected(bool move);
  void PutSelectedOnClipboard(bool cut);
  void PasteClipboard();
  void DeleteSelected();
  void RenameFocused();
  void CopySelectedToBoard();
  void PasteBoard();

 private:
  TFileActionHooks Hooks() const;
  // Cut and Copy also put the files on the desktop's clipboard, for file
  // managers; Paste takes files from it when it changed after Glimr's own.
  void PublishOnSystemClipboard(bool cut);
  // The existing local files on the desktop's clipboard; none when it holds
  // no file addresses (text, nothing) or Glimr's own latest Cut or Copy.
  std::optional<std::vector<TCopyEntry>> SystemClipboardEntries() const;
  std::vector<TCopyResult> Run(std::vector<TCopyEntry> entries, const QString& folder,
                               TOverwritePolicy policy);
  std::vector<TCopyEntry> SelectedEntries(bool move) const;

  TCurrentLists& lists_;
  TFileListView& list_;
  TVeskActions& actions_;
  THost host_;
  TServices services_;
  TClipboardList& clipboard_;
  TBoardList& board_;
  TCatalogQueries* queries_ = nullptr;
  // The desktop's clipboard changed after Glimr's own was filled.
  bool systemClipboardNewer_ = false;
  bool publishing_ = false;
  // The mark of the latest publication, and how many there were.
  QByteArray publishedMark_;
  int publications_ = 0;
};

}  // namespace glimr
