#pragma once
// Loads a folder into the current lists: its FILES rows become records, the
// disk is scanned for every supported extension (new files get rows),
// subfolders and ".." become folder entries, vanished files leave the list
// (their rows stay), then the list is sorted, filtered and its first images
// are queued. The catalog is reached only through TCatalogQueries; the
// window, tree, history and loader through hooks.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

#include "browse/currentlists.h"
#include "browse/filesort.h"
#include "browse/filter.h"

namespace glimr {

class TCatalogQueries;

struct TSortState {
  int Column = scName;  // the file list's sort column
  int Arrow = 0;        // its header arrow: 2 ascending, 0 and 1 descending
};

struct TFolderLoadHooks {
  std::function<void()> StopLoader;
  // Freeze the file list's repainting, clear its selection and focused row.
  std::function<void()> FreezeView;
  // Set the file list's row count, let it repaint and repaint it. Every load
  // ends with it, also one that failed, with the count CurrentFiles holds.
  std::function<void(int count)> ShowList;
  // Append these keys to LoadQueue (the hook takes QueueLock).
  std::function<void(const QStringList& keys)> QueueImages;
  // Called only when CurrentFiles is not empty.
  std::function<void()> StartLoader;
  // The record's ExtIndex for a full path (the extension table); -1 when unset.
  // It depends on the path's extension alone: a load asks once per extension.
  std::function<std::int32_t(const QString& fullPath)> ExtensionIndex;
  // Every image file listed, with its modification time as read from the
  // disk just now: a thumbnail kept for an older time is stale.
  std::function<void(const QString& fullPath, double fileDate)> DiskDateSeen;
};

// What became of a folder load, for the window's title, poll timer and
// status line. Write failures of the catalog do not stop a load: the folder
// is listed from the disk and the refused writes wait in the lists'
// PendingWrites (the catalog's write health reports them to the user).
struct TFolderLoadReport {
  // A failure to show the user (a damaged catalog, a malformed name mask);
  // empty when there was none. The view is consistent either way.
  QString Error;
  // With Error: the load stopped before the old lists were written back, so
  // they are still shown, with their source and folder (the title and poll
  // timer stay with them). When false the new folder is shown, as far as
  // it could be loaded: after a failure of the catalog's reading the list
  // is empty under the new folder's title.
  bool OldListsKept = false;
  // The folder could not be listed, with the system's reason ("Permission
  // denied"); the list then shows no entries from the disk.
  QString ReadError;
  // Entries whose names are not valid UTF-8, which cannot be shown.
  int NamesNotUtf8 = 0;
  // Some catalog write of this load was refused (rows, dates, edits of the
  // old lists): they wait in PendingWrites.
  bool CatalogWriteFailed = false;
};

class TFolderLoader {
 public:
  // extensions: the plug-in set's extensions without the dot, in its order.
  TFolderLoader(TCatalogQueries& queries, const QStringList& extensions,
                TFolderLoadHooks hooks = {});

  void SetExtensions(const QStringList& extensions);
  void SetTypeNameOf(TTypeNameOf typeNameOf) { typeNameOf_ = std::move(typeNameOf); }

  // Loads folderPath ("/home/ann/" or "/home/ann") into lists. Raises
  // nothing of its own (only what a hook raises): whatever fails, the lists
  // end consistent, ShowList is called and the
  // loader is started only for what CurrentFiles holds; the report says
  // what happened.
  TFolderLoadReport LoadFolder(const QString& folderPath, TCurrentLists& lists,
                               const TSortState& sort, const TFilterSettings& filter);

  // How many entries LoadFolder queues at most.
  static constexpr int kQueueCount = 100;

 private:
  void Fill(const QString& folder, std::int32_t catalogID, TCurrentLists& lists,
            const TSortState& sort, const TFilterSettings& filter, TFolderLoadReport& report);
  void ShowAndQueue(const TCurrentLists& lists);

  TCatalogQueries& queries_;
  QStringList extensions_;
  TFolderLoadHooks hooks_;
  TTypeNameOf typeNameOf_;
};

// Writes back what the lists hold and frees every record, emptying both
// lists: modified image records and records still without a row go to
// lists.PendingWrites first, then everything pending is written. A write
// the catalog refuses stays pending (for the next write-back, or the next
// listing of its folder); any other failure is raised, with nothing lost
// either. Returns the number of records still waiting to be written.
int FlushLoadedFiles(TCurrentLists& lists, TCatalogQueries& queries);

}  // namespace glimr
