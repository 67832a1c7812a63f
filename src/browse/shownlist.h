#pragma once
// TShownList: what the file list, the ribbon and the File Info page show,
// as one object. It owns the loaded and shown records, the edits waiting for
// the catalog, the shown folder and the list's source, runs the one switch
// from one source to another, and tells its views of every change through
// signals, so no caller has to remember which view to refresh.
//
// Threading rules (kept by every method here):
// - Main thread only; every public method asserts it.
// - The loader's workers never read the lists: they take paths from the load
//   queue, which the switch fills through TLoaderPort while they are stopped.
// - No signal is emitted while DbLock or QueueLock is held, and the list
//   never holds both: the catalog's and the port's calls take their own lock
//   and release it before they return.
// - No modal dialog runs inside the switch: errors come back in the report
//   and are shown by the caller afterwards (a mask error of a re-filter is
//   shown once the views are consistent again).
// - Copy results arrive while the progress window's event loop runs; every
//   change is complete when its signal is emitted, so the views are
//   consistent after every signal.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "browse/currentlists.h"
#include "browse/filelist.h"
#include "browse/filesort.h"
#include "browse/filter.h"

namespace glimr {

class TCatalogQueries;
class TEditWriteBack;

// The file list's sort column and its header arrow.
struct TSortState {
  int Column = scName;  // the file list's sort column
  int Arrow = 0;        // its header arrow: 2 ascending, 0 and 1 descending
};

// What became of a switch, for the window's title, poll timer and status
// line. Write failures of the catalog do not stop a switch: the list is
// shown from what could be read and the refused writes wait in
// PendingWrites (the catalog's write health reports them to the user).
struct TFolderLoadReport {
  // A failure to show the user (a damaged catalog, a malformed name mask);
  // empty when there was none. The views are consistent either way.
  QString Error;
  // With Error: the switch stopped before the old list was written back, so
  // it is still shown, with its source and folder. When false the new
  // source is shown, as far as it could be read: after a failure of the
  // catalog's reading the list is empty under the new source.
  bool OldListsKept = false;
  // The folder could not be listed, with the system's reason ("Permission
  // denied"); the list then shows no entries from the disk.
  QString ReadError;
  // Entries whose names are not valid UTF-8, which cannot be shown.
  int NamesNotUtf8 = 0;
  // Some catalog write of this switch was refused (rows, dates, edits of the
  // old list): they wait in PendingWrites.
  bool CatalogWriteFailed = false;
};

// The thumbnail loader as the list sees it. The loader sits below browse,
// so the program implements this over its loader control.
class TLoaderPort {
 public:
  virtual ~TLoaderPort() = default;
  // Returns once no worker touches a record or the queue.
  virtual void Stop() = 0;
  // Appends full paths to the load queue (the port takes QueueLock).
  virtual void Enqueue(const QStringList& keys) = 0;
  virtual void Start() = 0;
};

// What a source may ask while it fills the list.
struct TFillServices {
  // The record's ExtIndex for a full path (the extension table); -1 when
  // unset. It depends on the path's extension alone.
  std::function<std::int32_t(const QString& fullPath)> ExtensionIndex;
  // Every image file listed, with its modification time as read from the
  // disk just now: a thumbnail kept for an older time is stale.
  std::function<void(const QString& fullPath, double fileDate)> DiskDateSeen;
};

// One place the list can show: a folder, a category, search results.
class TShownSource {
 public:
  virtual ~TShownSource() = default;
  virtual TListSource Kind() const = 0;
  // The folder the list shows afterwards ("/home/ann/"); empty keeps the
  // shown folder as it is.
  virtual QString Folder() const { return {}; }
  // Everything that may fail before the old list goes (a folder's catalog
  // ID). A throw keeps the old list, shown as it was; a refused catalog
  // write is noted in the report and does not stop the switch.
  virtual void Prepare(TFolderLoadReport& report) { (void)report; }
  // Appends the new records to lists.LoadedFiles, which is empty: the old
  // list has been written back and freed. PendingWrites may be read and
  // taken from. Sorting and filtering come afterwards. A throw leaves an
  // empty list under the new source.
  virtual void Fill(TCurrentLists& lists, const TFillServices& services,
                    TFolderLoadReport& report) = 0;
};

// Which of a record's fields an edit changed.
enum TEditField : unsigned {
  efCaption = 1U << 0,
  efRating = 1U << 1,
  efCategory = 1U << 2,
  efRotation = 1U << 3,  // the turn and both flips
  efName = 1U << 4,      // the key and file name (a rename)
  efDetails = 1U << 5,   // size, date, dimensions: not the user's
};
using TEditFields = unsigned;
constexpr TEditFields kUserEditFields = efCaption | efRating | efCategory | efRotation;

// A record to insert: its full path and the record, owned until inserted.
struct TNewEntry {
  QString Key;
  std::unique_ptr<TImageFileInfo> Record;
};

class TShownList : public QObject {
  Q_OBJECT

 public:
  // How many of the first shown entries a switch queues at most.
  static constexpr int kQueueCount = 100;

  explicit TShownList(QObject* parent = nullptr);
  ~TShownList() override;

  // The parts the list works with, attached once they exist; null detaches.
  // Without a catalog nothing is written back (a test of the views alone).
  void SetLoaderPort(TLoaderPort* port) { port_ = port; }
  void SetCatalog(TCatalogQueries* queries);
  void SetFillServices(TFillServices services) { services_ = std::move(services); }
  void SetTypeNameOf(TTypeNameOf typeNameOf) { typeNameOf_ = std::move(typeNameOf); }

  // Reading. The records may be read freely on the main thread; their
  // membership, order, keys and the user's edit fields change only here.
  const TCurrentLists& Lists() const { return lists_; }
  const TFileList& Current() const { return lists_.CurrentFiles; }
  const TFileList& Loaded() const { return lists_.LoadedFiles; }
  TListSource Source() const { return lists_.ListSource; }
  const QString& Folder() const { return lists_.CurrentFolder; }
  TPendingWrites& PendingWrites() { return lists_.PendingWrites; }
  const TSortState& Sort() const { return sort_; }
  const TFilterSettings& Filter() const { return filter_; }

  // The switch: stop the loader, prepare the source (a failure keeps the old
  // list), freeze the views, write back, fill, sort, filter, show, queue the
  // images among the first kQueueCount entries, start the loader when the
  // list is not empty. Raises nothing of its own.
  TFolderLoadReport Show(TShownSource& source);
  // The switch without a new source, after the filter changed or the loaded
  // list changed under it: the selection marks are cleared (a rebuilt list
  // starts with nothing selected). A malformed name mask is shown once the
  // views are consistent, and returned.
  QString SetFilter(const TFilterSettings& filter);
  QString Refilter() { return SetFilter(filter_); }
  // Takes the filter for the next switch without rebuilding the list (the
  // settings read at start, before the first list is shown).
  void PresetFilter(const TFilterSettings& filter) { filter_ = filter; }
  // Sorts both lists by sort (a header click); the rows keep their records,
  // selection marks and focus.
  void SetSort(const TSortState& sort);
  // Sorts again by the sort in force (after names or dates changed).
  void Resort() { SetSort(sort_); }

  // Edits the user's fields of the given shown rows: edit is applied to
  // each record, which is marked Modified, and rowsEdited follows. The edit
  // reaches the catalog through the write-back.
  void EditRows(const std::vector<int>& rows, TEditFields fields,
                const std::function<void(TImageFileInfo&)>& edit);
  // A record of the shown list changed in place where only the list may
  // change it (rotation by the ribbon, a name by a rename): rowsEdited for
  // its row, and the write-back when the fields are the user's.
  void RecordEdited(const TImageFileInfo* record, TEditFields fields);
  // Details that are not the user's (size, date, dimensions from the
  // loader) changed: views redraw the row.
  void DetailsChanged(int row) { Q_EMIT rowsEdited(row, row, efDetails); }

  // Inserts records at their sorted places (at the end when the sort column
  // has no comparison); those that pass the filter are shown. rowsInserted
  // follows for each shown one, in increasing row order, so a view's
  // positions after it move down by one.
  void Insert(std::vector<TNewEntry> entries);
  // Gives the loaded entry of oldKey a new key and file name in place (a
  // rename); it keeps its row.
  void Rename(const QString& oldKey, const QString& newKey);
  // Removes the entries of these keys from both lists and frees them. With
  // keepEdits their unsaved edits are written first (a refused write waits
  // in PendingWrites); without, the caller has dealt with their rows (a
  // file deleted or moved away). Each removed shown entry's ribbon width
  // passes to the next one so the ribbon can close the gap. Returns how
  // many left.
  int Remove(const QStringList& keys, bool keepEdits);
  // The selected image entries of the shown list leave it (folders stay);
  // afterwards nothing is selected or focused.
  int RemoveSelected();

  // Writes the edits waiting now (the write-back timer), or, with flush,
  // everything: the modified records and records without a row go to the
  // pending writes and everything pending is written (the switch and the
  // close). Returns how many records still wait for the catalog.
  int WriteBack();
  // At the close: writes everything back and frees every record.
  int FlushAndClear();
  TEditWriteBack* EditWriteBack() const { return writeBack_.get(); }

  // Deleted categories, whose images the catalog already released: loaded
  // records and pending copies that hold one of them hold no category now
  // (no write follows), and the views redraw their rows.
  void ReleaseCategories(const std::vector<std::int32_t>& ids);

 Q_SIGNALS:
  // The records are about to be freed and replaced: views clear their
  // selection models, stop timers that hold records, freeze repainting.
  void aboutToReplace();
  // A new list is in place (also an empty one after a failure).
  void sourceChanged();
  // Shown rows first..last are about to leave (records still valid).
  void aboutToRemove(int first, int last);
  void rowsRemoved(int first, int last);
  // Shown rows first..last are new.
  void rowsInserted(int first, int last);
  // Shown rows first..last changed in place.
  void rowsEdited(int first, int last, glimr::TEditFields fields);
  // A re-sort: same rows, new order.
  void aboutToReorder();
  void reordered();

 private:
  void StopLoader();
  // Queues the images among the first kQueueCount shown entries and starts
  // the loader when the shown list is not empty.
  void QueueAndStart();
  QString ApplyFilterNow();
  int ShownRowOf(const TImageFileInfo* record) const;
  int InsertPosition(const TFileList& list, const TImageFileInfo& record) const;

  TCurrentLists lists_;
  TSortState sort_;
  TFilterSettings filter_;
  TLoaderPort* port_ = nullptr;
  TCatalogQueries* queries_ = nullptr;
  std::unique_ptr<TEditWriteBack> writeBack_;
  TFillServices services_;
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
