#pragma once
// Routes the file commands of the main window (Copy and Move to Folder, Cut,
// Copy, Paste, Delete, Rename) to the file operations on the shown list,
// whose views follow by its signals. The windows it needs (destination
// dialog, progress window, questions) come through the host and the
// program's services, so tests can stand in for them.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "fileops/clipboardlist.h"
#include "fileops/copyengine.h"
#include "fileops/fileactions.h"

class QAction;

namespace glimr {

class TCatalogQueries;
class TShownList;

// The destination dialog's answer.
struct TCopyDestination {
  QString Folder;
  TOverwritePolicy Policy = TOverwritePolicy::Ask;
};

// What the program lends the file and board commands once the catalog and
// the cache are there.
struct TFileServices {
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

// The actions the file commands route; a null one is passed over.
struct TFileCommandActions {
  QAction* CopyToFolder = nullptr;
  QAction* MoveToFolder = nullptr;
  QAction* Cut = nullptr;
  QAction* Copy = nullptr;
  QAction* Paste = nullptr;
  QAction* Delete = nullptr;
  QAction* Rename = nullptr;
};

class TFileCommands : public QObject {
  Q_OBJECT

 public:
  // What the window lends: the category in use, and the questions and
  // messages it shows (tests answer them).
  struct THost {
    // The category chosen on the Categories page, 0 for none.
    std::function<std::int32_t()> SelectedCategory;
    std::function<TPermanentDelete(const QString& path)> AskDeletePermanently;
    std::function<std::optional<QString>(const QString& oldName)> AskNewName;
    std::function<void(const QString& text)> ShowMessage;
  };

  // shown and clipboard belong to the program and outlive the commands. The
  // actions are routed at once and enabled by Attach.
  TFileCommands(TShownList& shown, const TFileCommandActions& actions, TClipboardList& clipboard,
                THost host, QObject* parent = nullptr);
  ~TFileCommands() override;

  // Enables the file actions.
  void Attach(TCatalogQueries& queries, TFileServices services);
  void Detach();

  TClipboardList& Clipboard() { return clipboard_; }

  // The commands, on the selection and focus marks of the shown list.
  void CopyMoveSelected(bool move);
  void PutSelectedOnClipboard(bool cut);
  void PasteClipboard();
  void DeleteSelected();
  void RenameFocused();

 Q_SIGNALS:
  // A file left the disk or its place (deleted, moved away).
  void fileGone(const QString& path);
  // A file was renamed in its folder.
  void fileRenamed(const QString& oldPath, const QString& newPath);

 private:
  TFileActionHooks Hooks();
  // Cut and Copy also put the files on the desktop's clipboard, for file
  // managers; Paste takes files from it when it changed after Glimr's own.
  void PublishOnSystemClipboard(bool cut);
  // The existing local files on the desktop's clipboard; none when it holds
  // no file addresses (text, nothing) or Glimr's own latest Cut or Copy.
  std::optional<std::vector<TCopyEntry>> SystemClipboardEntries() const;
  std::vector<TCopyResult> Run(std::vector<TCopyEntry> entries, const QString& folder,
                               TOverwritePolicy policy);
  std::vector<TCopyEntry> SelectedEntries(bool move) const;
  // Delete in a folder: the selected images' files go.
  void DeleteFromFolder();
  // Delete in a category: the selected images leave it, their files stay.
  void RemoveSelectedFromCategory();
  void SetEnabled(bool enabled);

  TShownList& shown_;
  TFileCommandActions actions_;
  THost host_;
  TFileServices services_;
  TClipboardList& clipboard_;
  TCatalogQueries* queries_ = nullptr;
  // The desktop's clipboard changed after Glimr's own was filled.
  bool systemClipboardNewer_ = false;
  bool publishing_ = false;
  // The mark of the latest publication, and how many there were.
  QByteArray publishedMark_;
  int publications_ = 0;
};

}  // namespace glimr
