#include "search/searchresults.h"

#include <QFile>
#include <QLoggingCategory>
#include <QStringList>

#include <sys/stat.h>

#include <memory>

#include "catalog/catalogqueries.h"
#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcSearchResults, "glimr.search.results")

namespace {

bool IsRegularFile(const QString& path) {
  struct stat st;
  return stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// Copies every result into lists.LoadedFiles. With reread, the user's edits
// are taken from the rows again; the first failure of the catalog stops
// that (the stored copies are shown) and is returned.
QString CopyResults(const TSearchResults& results, TCurrentLists& lists, TCatalogQueries& queries,
                    const TFolderLoadHooks& hooks, bool reread) {
  QString error;
  TFileList& loaded = lists.LoadedFiles;
  const TFileList& source = results.List();
  for (int i = 0; i < source.Count(); ++i) {
    const QString& key = source.Key(i);
    if (source.At(i)->IsFolder || loaded.Find(key)) {
      continue;
    }
    if (reread && !IsRegularFile(key)) {
      continue;  // deleted or renamed since the search; its row stays
    }
    // A search of the disk brought a changed file's date up to date: a
    // thumbnail kept for its old date is stale, as after a folder load.
    if (!reread && hooks.DiskDateSeen) {
      hooks.DiskDateSeen(key, source.At(i)->FileDate);
    }
    auto copy = std::make_unique<TImageFileInfo>(*source.At(i));
    copy->Selected = false;
    copy->Focused = false;
    copy->ShrinkStep = 0;
    copy->ShrinkExcess = 0.0;
    copy->SlotWidth = 2.0;
    if (reread && error.isEmpty()) {
      try {
        TImageFileInfo row = *copy;
        if (queries.ReadFileRecord(row)) {
          copy->Caption = row.Caption;
          copy->CategoryID = row.CategoryID;
          copy->Rating = row.Rating;
          copy->Angle = row.Angle;
          copy->VFliped = row.VFliped;
          copy->HFliped = row.HFliped;
        }
      } catch (const std::exception& e) {
        error = ErrorText(e);
      }
    }
    // Edits the catalog has not taken yet are newer than any row.
    if (!lists.PendingWrites.IsEmpty()) {
      if (const TImageFileInfo* edit = lists.PendingWrites.Find(key)) {
        ApplyUserEdits(*edit, *copy);
      }
    }
    if (hooks.ExtensionIndex) {
      copy->ExtIndex = hooks.ExtensionIndex(key);
    }
    loaded.Append(key, copy.release());
  }
  return error;
}

void ShowAndQueue(const TCurrentLists& lists, const TFolderLoadHooks& hooks) {
  const TFileList& current = lists.CurrentFiles;
  if (hooks.ShowList) {
    hooks.ShowList(current.Count());
  }
  QStringList keys;
  for (int i = 0; i < current.Count() && i < TFolderLoader::kQueueCount; ++i) {
    keys.append(current.Key(i));
  }
  if (hooks.QueueImages) {
    hooks.QueueImages(keys);
  }
  if (!current.IsEmpty() && hooks.StartLoader) {
    hooks.StartLoader();
  }
}

}  // namespace

TFolderLoadReport ShowSearchResults(const TSearchResults& results, TCurrentLists& lists,
                                    const TSortState& sort, const TFilterSettings& filter,
                                    TCatalogQueries& queries, const TFolderLoadHooks& hooks,
                                    TResultsShow how, const TTypeNameOf& typeNameOf) {
  TFolderLoadReport report;
  if (hooks.StopLoader) {
    hooks.StopLoader();
  }
  try {
    if (hooks.FreezeView) {
      hooks.FreezeView();
    }
    lists.ListSource = TListSource::Search;
    // The old list goes first: its edits must be in the rows before they
    // are read again, and its pending copies are laid over the results.
    if (FlushLoadedFiles(lists, queries) > 0) {
      report.CatalogWriteFailed = true;
    }
    report.Error = CopyResults(results, lists, queries, hooks, how == TResultsShow::Again);
    SortLoadedFiles(lists.LoadedFiles, sort.Column, sort.Arrow, typeNameOf);
    try {
      ApplyFilter(lists.LoadedFiles, lists.CurrentFiles, filter);
    } catch (const GlimrError& e) {
      report.Error = e.message();
    }
  } catch (const std::exception& e) {
    report.Error = ErrorText(e);
    // Nothing is lost with the half-built lists: the result list keeps its
    // records and the old list's edits wait in PendingWrites.
    lists.CurrentFiles.ClearWithoutFreeing();
    lists.LoadedFiles.Clear();
    qCWarning(lcSearchResults).noquote() << "showing the search results failed:" << report.Error;
  }
  ShowAndQueue(lists, hooks);
  qCDebug(lcSearchResults) << results.Count() << "results," << lists.LoadedFiles.Count()
                           << "listed," << lists.CurrentFiles.Count() << "shown";
  return report;
}

}  // namespace glimr
