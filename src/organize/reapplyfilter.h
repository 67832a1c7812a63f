#pragma once
// ReapplyFilter: rebuilds the shown list (CurrentFiles) from everything
// loaded after a filter criterion changed, and restarts the thumbnail loader
// and the ribbon on it. The window, ribbon and loader are reached only
// through hooks, so tests drive it without any of them.

#include <QString>
#include <QStringList>

#include <functional>

#include "browse/currentlists.h"
#include "browse/filter.h"
#include "browse/folderloader.h"

namespace glimr {

struct TReapplyHooks {
  std::function<void()> StopLoader;
  // Freeze the file list's repainting, clear its selection and focused row.
  std::function<void()> FreezeView;
  // Make the ribbon's slots anew and put it back on the first image
  // (current and target index 0, position 0).
  std::function<void()> ResetRibbon;
  // Set the file list's row count, let it repaint and repaint it. Called on
  // every rebuild, also one whose name mask was not well formed.
  std::function<void(int count)> ShowList;
  // Append these keys to LoadQueue (the hook takes QueueLock).
  std::function<void(const QStringList& keys)> QueueImages;
  // Called only when images were queued.
  std::function<void()> StartLoader;
  // Prepare the ribbon's scene, redraw it, start the poll timer and stop the
  // animation timer.
  std::function<void()> ShowRibbon;
};

// The loader and list hooks of a folder load, for the same window and loader;
// the ribbon hooks stay empty.
TReapplyHooks ReapplyHooksFrom(const TFolderLoadHooks& hooks);

struct TReapplyReport {
  int Count = 0;  // entries CurrentFiles holds afterwards
  // The name text's mask was not well formed ("'*[x*' is an invalid mask at
  // (5)"); the name test then counted as passed. Already shown through the
  // error channel, once per rebuild; empty when the mask was fine.
  QString MaskError;
};

// Stops the loader, rebuilds lists.CurrentFiles from lists.LoadedFiles with
// filter, clears the selection marks of every loaded record (the view starts
// with nothing selected, and an entry that was hidden does not come back
// selected), shows the list, queues the first images of the new list and
// starts the loader (the first TFolderLoader::kQueueCount entries are queued,
// images only, as a folder load does). A name mask that is not well formed leaves the lists
// consistent and every step done; only what a hook raises is raised.
TReapplyReport ReapplyFilter(TCurrentLists& lists, const TFilterSettings& filter,
                             const TReapplyHooks& hooks);

}  // namespace glimr
