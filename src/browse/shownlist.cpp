#include "browse/shownlist.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSet>
#include <QThread>

#include <algorithm>

#include "browse/editwriteback.h"
#include "catalog/catalogqueries.h"
#include "catalog/writehealth.h"
#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcShownList, "glimr.browse.shown")

namespace {

void AssertMainThread() {
  Q_ASSERT_X(!QCoreApplication::instance() ||
                 QThread::currentThread() == QCoreApplication::instance()->thread(),
             "TShownList", "used off the main thread");
}

// Moves what still has to reach the catalog into the pending writes and
// empties both lists.
void StashAndClear(TCurrentLists& lists) {
  TFileList& loaded = lists.LoadedFiles;
  for (int i = 0; i < loaded.Count(); ++i) {
    const TImageFileInfo* r = loaded.At(i);
    if (!r->IsFolder && (r->Modified || r->ID == 0)) {
      lists.PendingWrites.Put(*r);
    }
  }
  lists.CurrentFiles.ClearWithoutFreeing();
  loaded.Clear();
}

// Calls emit once for every run of consecutive rows, from the last run to
// the first, so the rows of earlier runs keep their numbers.
template <typename Fn>
void ForRunsDescending(std::vector<int> rows, Fn emitRun) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  size_t end = rows.size();
  while (end > 0) {
    size_t begin = end - 1;
    while (begin > 0 && rows[begin - 1] + 1 == rows[begin]) {
      --begin;
    }
    emitRun(rows[begin], rows[end - 1]);
    end = begin;
  }
}

}  // namespace

int FlushLoadedFiles(TCurrentLists& lists, TCatalogQueries& queries) {
  StashAndClear(lists);
  lists.PendingWrites.WriteAll(queries);
  return lists.PendingWrites.Count();
}

TShownList::TShownList(QObject* parent) : QObject(parent) {}

TShownList::~TShownList() = default;

void TShownList::SetCatalog(TCatalogQueries* queries) {
  queries_ = queries;
  writeBack_.reset();
  if (queries_) {
    writeBack_ = std::make_unique<TEditWriteBack>(*queries_, lists_);
  }
}

void TShownList::StopLoader() {
  if (port_) {
    port_->Stop();
  }
}

void TShownList::QueueAndStart() {
  const TFileList& current = lists_.CurrentFiles;
  QStringList keys;
  for (int i = 0; i < current.Count() && i < kQueueCount; ++i) {
    // Folder entries have no thumbnail to make.
    if (!current.At(i)->IsFolder) {
      keys.append(current.Key(i));
    }
  }
  if (port_) {
    port_->Enqueue(keys);
  }
  if (port_ && !current.IsEmpty()) {
    port_->Start();
  }
}

QString TShownList::ApplyFilterNow() {
  try {
    ApplyFilter(lists_.LoadedFiles, lists_.CurrentFiles, filter_);
  } catch (const GlimrError& e) {
    // The list is finished with the name test passed; only the message is
    // left to give.
    return e.message();
  }
  return {};
}

TFolderLoadReport TShownList::Show(TShownSource& source) {
  AssertMainThread();
  TFolderLoadReport report;
  // No worker may read a record while the lists are rebuilt.
  StopLoader();
  try {
    source.Prepare(report);
  } catch (const std::exception& e) {
    report.Error = ErrorText(e);
    report.OldListsKept = true;
    qCWarning(lcShownList).noquote() << "switch refused, old list kept:" << report.Error;
    QueueAndStart();
    return report;
  }
  Q_EMIT aboutToReplace();
  lists_.ListSource = source.Kind();
  const QString folder = source.Folder();
  if (!folder.isEmpty()) {
    lists_.CurrentFolder = folder;
  }
  try {
    // The old list goes first: its edits must be in the rows the new
    // source reads.
    if (queries_) {
      if (FlushLoadedFiles(lists_, *queries_) > 0) {
        report.CatalogWriteFailed = true;
      }
    } else {
      StashAndClear(lists_);
    }
    source.Fill(lists_, services_, report);
    SortLoadedFiles(lists_.LoadedFiles, sort_.Column, sort_.Arrow, typeNameOf_);
    const QString maskError = ApplyFilterNow();
    if (!maskError.isEmpty()) {
      report.Error = maskError;
    }
  } catch (const std::exception& e) {
    report.Error = ErrorText(e);
    // Half-built lists are not shown. Nothing is lost with them: their
    // records came from the rows and the disk, and the edits laid over them
    // go back to the pending writes.
    StashAndClear(lists_);
    qCWarning(lcShownList).noquote() << "switch failed, list left empty:" << report.Error;
  }
  Q_EMIT sourceChanged();
  QueueAndStart();
  qCDebug(lcShownList) << "shown:" << lists_.LoadedFiles.Count() << "loaded,"
                       << lists_.CurrentFiles.Count() << "shown";
  return report;
}

QString TShownList::SetFilter(const TFilterSettings& filter) {
  AssertMainThread();
  filter_ = filter;
  StopLoader();
  Q_EMIT aboutToReplace();
  const QString maskError = ApplyFilterNow();
  // The views restore their selection from the records' marks: a rebuilt
  // list starts with nothing selected, hidden entries included.
  const TFileList& loaded = lists_.LoadedFiles;
  for (int i = 0; i < loaded.Count(); ++i) {
    loaded.At(i)->Selected = false;
  }
  Q_EMIT sourceChanged();
  QueueAndStart();
  if (!maskError.isEmpty()) {
    ShowError(maskError);
  }
  return maskError;
}

void TShownList::SetSort(const TSortState& sort) {
  AssertMainThread();
  sort_ = sort;
  if (sort.Column < scName || sort.Column > scDate) {
    return;  // no comparison (Rating): the order stays
  }
  Q_EMIT aboutToReorder();
  SortLoadedFiles(lists_.LoadedFiles, sort.Column, sort.Arrow, typeNameOf_);
  TFileList& current = lists_.CurrentFiles;
  // Walk the loaded list in its new order; every key also shown takes the
  // next position of the shown list.
  std::vector<int> order;
  order.reserve(static_cast<size_t>(current.Count()));
  std::vector<bool> taken(static_cast<size_t>(current.Count()), false);
  const TFileList& loaded = lists_.LoadedFiles;
  for (int i = 0; i < loaded.Count() && current.Count() > 1; ++i) {
    const int j = current.IndexOf(loaded.Key(i));
    if (j >= 0 && !taken[static_cast<size_t>(j)]) {
      taken[static_cast<size_t>(j)] = true;
      order.push_back(j);
    }
  }
  if (current.Count() > 1) {
    // Shown entries missing from the loaded list (not expected) keep their
    // relative order at the end rather than being lost.
    for (int j = 0; j < current.Count(); ++j) {
      if (!taken[static_cast<size_t>(j)]) {
        order.push_back(j);
      }
    }
    current.Reorder(order);
  }
  Q_EMIT reordered();
}

int TShownList::ShownRowOf(const TImageFileInfo* record) const {
  const TFileList& current = lists_.CurrentFiles;
  for (int i = 0; i < current.Count(); ++i) {
    if (current.At(i) == record) {
      return i;
    }
  }
  return -1;
}

void TShownList::EditRows(const std::vector<int>& rows, TEditFields fields,
                          const std::function<void(TImageFileInfo&)>& edit) {
  AssertMainThread();
  const TFileList& current = lists_.CurrentFiles;
  std::vector<int> edited;
  for (const int row : rows) {
    if (row < 0 || row >= current.Count() || current.At(row)->IsFolder) {
      continue;
    }
    TImageFileInfo* r = current.At(row);
    edit(*r);
    if (fields & kUserEditFields) {
      r->Modified = true;
    }
    edited.push_back(row);
  }
  if (edited.empty()) {
    return;
  }
  ForRunsDescending(edited, [&](int first, int last) { Q_EMIT rowsEdited(first, last, fields); });
  if ((fields & kUserEditFields) && writeBack_) {
    writeBack_->Note();
  }
}

void TShownList::RecordEdited(const TImageFileInfo* record, TEditFields fields) {
  AssertMainThread();
  const int row = ShownRowOf(record);
  if (row < 0) {
    return;
  }
  if (fields & kUserEditFields) {
    lists_.CurrentFiles.At(row)->Modified = true;
  }
  Q_EMIT rowsEdited(row, row, fields);
  if ((fields & kUserEditFields) && writeBack_) {
    writeBack_->Note();
  }
}

int TShownList::InsertPosition(const TFileList& list, const TImageFileInfo& record) const {
  if (sort_.Column < scName || sort_.Column > scDate) {
    return list.Count();
  }
  const bool ascending = sort_.Arrow == 2;
  // The first entry the new one sorts before; equal ones keep theirs first.
  int lo = 0;
  int hi = list.Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (CompareFiles(sort_.Column, ascending, record, *list.At(mid), typeNameOf_) < 0) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

void TShownList::Insert(std::vector<TNewEntry> entries) {
  AssertMainThread();
  for (TNewEntry& e : entries) {
    if (!e.Record || lists_.LoadedFiles.Find(e.Key)) {
      continue;  // already listed: a copy over a shown file
    }
    TImageFileInfo* r = e.Record.release();
    r->Selected = false;
    r->Focused = false;
    TFileList& loaded = lists_.LoadedFiles;
    loaded.Insert(InsertPosition(loaded, *r), e.Key, r);
    // Shown when it passes the filter: a one-entry filter run tells.
    TFileList one(false);
    {
      TFileList single(false);
      single.Append(e.Key, r);
      try {
        ApplyFilter(single, one, filter_);
      } catch (const GlimrError&) {
        // A malformed mask passes the name test, as for the whole list.
      }
      single.ClearWithoutFreeing();
    }
    const bool shown = !one.IsEmpty();
    one.ClearWithoutFreeing();
    if (!shown) {
      continue;
    }
    TFileList& current = lists_.CurrentFiles;
    const int row = InsertPosition(current, *r);
    current.Insert(row, e.Key, r);
    Q_EMIT rowsInserted(row, row);
  }
}

void TShownList::Rename(const QString& oldKey, const QString& newKey) {
  AssertMainThread();
  TFileList& loaded = lists_.LoadedFiles;
  const int at = loaded.IndexOf(oldKey);
  if (at < 0) {
    return;
  }
  TImageFileInfo* r = loaded.At(at);
  loaded.SetKey(at, newKey);
  r->FileName = newKey.mid(newKey.lastIndexOf(QLatin1Char('/')) + 1);
  const int row = lists_.CurrentFiles.IndexOf(oldKey);
  if (row >= 0) {
    lists_.CurrentFiles.SetKey(row, newKey);
    Q_EMIT rowsEdited(row, row, efName);
  }
}

int TShownList::Remove(const QStringList& keys, bool keepEdits) {
  AssertMainThread();
  QSet<const TImageFileInfo*> gone;
  std::vector<int> rows;
  TFileList& current = lists_.CurrentFiles;
  for (const QString& key : keys) {
    TImageFileInfo* r = lists_.LoadedFiles.Find(key);
    if (!r || gone.contains(r)) {
      continue;
    }
    // Unsaved edits are kept before the record goes: written at the next
    // write-back, or laid over the row when its file is listed again.
    if (keepEdits && !r->IsFolder && r->Modified) {
      lists_.PendingWrites.Put(*r);
      r->Modified = false;
    }
    gone.insert(r);
    const int row = current.IndexOf(key);
    if (row >= 0) {
      rows.push_back(row);
    }
  }
  if (gone.isEmpty()) {
    return 0;
  }
  // The widths pass on to the next shown entry (which may itself be leaving
  // and then hands it on again), so the ribbon's coordinates after the gap
  // stay.
  std::sort(rows.begin(), rows.end());
  for (const int i : rows) {
    if (i + 1 < current.Count()) {
      current.At(i + 1)->SlotWidth += current.At(i)->SlotWidth;
    }
  }
  ForRunsDescending(rows, [&](int first, int last) {
    Q_EMIT aboutToRemove(first, last);
    for (int i = last; i >= first; --i) {
      current.Delete(i);
    }
    Q_EMIT rowsRemoved(first, last);
  });
  lists_.LoadedFiles.RemoveIf([&gone](const TImageFileInfo& r) { return gone.contains(&r); });
  if (queries_ && !lists_.PendingWrites.IsEmpty()) {
    try {
      lists_.PendingWrites.WriteAll(*queries_);
    } catch (const std::exception& e) {
      // The copies stay pending; the catalog's write health has said why.
      qCWarning(lcShownList).noquote() << "edits of removed entries wait:" << ErrorText(e);
    }
  }
  return static_cast<int>(gone.size());
}

int TShownList::RemoveSelected() {
  const TFileList& current = lists_.CurrentFiles;
  QStringList keys;
  for (int i = 0; i < current.Count(); ++i) {
    TImageFileInfo* r = current.At(i);
    if (r->Selected && !r->IsFolder) {
      keys.append(current.Key(i));
    }
  }
  // Nothing stays selected or focused, so a second command cannot take the
  // entry that moved up; the folder entries lose their marks too.
  for (int i = 0; i < current.Count(); ++i) {
    current.At(i)->Focused = false;
    if (current.At(i)->IsFolder) {
      current.At(i)->Selected = false;
    }
  }
  return keys.isEmpty() ? 0 : Remove(keys, true);
}

int TShownList::WriteBack() {
  AssertMainThread();
  if (!queries_) {
    return 0;
  }
  // Everything goes through the pending writes, so a refused write keeps
  // its copy there for the next time and a record without a row is stored.
  TFileList& loaded = lists_.LoadedFiles;
  for (int i = 0; i < loaded.Count(); ++i) {
    TImageFileInfo* r = loaded.At(i);
    if (!r->IsFolder && (r->Modified || r->ID == 0)) {
      lists_.PendingWrites.Put(*r);
      r->Modified = false;
    }
  }
  lists_.PendingWrites.WriteAll(*queries_);
  return lists_.PendingWrites.Count();
}

int TShownList::FlushAndClear() {
  AssertMainThread();
  StopLoader();
  Q_EMIT aboutToReplace();
  int left = 0;
  try {
    left = queries_ ? FlushLoadedFiles(lists_, *queries_) : 0;
  } catch (...) {
    Q_EMIT sourceChanged();
    throw;
  }
  Q_EMIT sourceChanged();
  return left;
}

void TShownList::ReleaseCategories(const std::vector<std::int32_t>& ids) {
  AssertMainThread();
  lists_.PendingWrites.ReleaseCategories(ids);
  const TFileList& loaded = lists_.LoadedFiles;
  std::vector<int> rows;
  for (int i = 0; i < loaded.Count(); ++i) {
    TImageFileInfo* r = loaded.At(i);
    if (std::find(ids.begin(), ids.end(), r->CategoryID) != ids.end()) {
      // The catalog gave their rows category 0 already: nothing to write.
      r->CategoryID = 0;
      const int row = lists_.CurrentFiles.IndexOf(loaded.Key(i));
      if (row >= 0) {
        rows.push_back(row);
      }
    }
  }
  ForRunsDescending(rows, [&](int first, int last) { Q_EMIT rowsEdited(first, last, efCategory); });
}

}  // namespace glimr
