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
  // Set the file list's row count, let it repaint and repaint it.
  std::function<void(int count)> ShowList;
  // Append these keys to LoadQueue (the hook takes QueueLock).
  std::function<void(const QStringList& keys)> QueueImages;
  // Called only when CurrentFiles is not empty.
  std::function<void()> StartLoader;
  // The record's ExtIndex for a full path (the extension table); -1 when unset.
  std::function<std::int32_t(const QString& fullPath)> ExtensionIndex;
};

class TFolderLoader {
 public:
  // extensions: the plug-in set's extensions without the dot, in its order.
  TFolderLoader(TCatalogQueries& queries, const QStringList& extensions,
                TFolderLoadHooks hooks = {});

  void SetExtensions(const QStringList& extensions);
  void SetTypeNameOf(TTypeNameOf typeNameOf) { typeNameOf_ = std::move(typeNameOf); }

  // Loads folderPath ("/home/ann/" or "/home/ann") into lists. Errors (the
  // database's above all) raise GlimrError; the state reached so far stays,
  // and an error before the old records were written back leaves the lists
  // as they were.
  void LoadFolder(const QString& folderPath, TCurrentLists& lists, const TSortState& sort,
                  const TFilterSettings& filter);

  // How many entries LoadFolder queues at most.
  static constexpr int kQueueCount = 100;

 private:
  TCatalogQueries& queries_;
  QStringList extensions_;
  TFolderLoadHooks hooks_;
  TTypeNameOf typeNameOf_;
};

// Writes every modified image record of LoadedFiles back (in list order) and
// frees them all, emptying both lists. When a write fails the error is raised
// and both lists stay as they were, so no change is lost.
void FlushLoadedFiles(TCurrentLists& lists, TCatalogQueries& queries);

}  // namespace glimr
