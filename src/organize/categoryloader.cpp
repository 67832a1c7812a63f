#include "organize/categoryloader.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QLoggingCategory>

#include <sys/stat.h>

#include <memory>

#include "catalog/catalogqueries.h"
#include "catalog/writehealth.h"
#include "common/datetime.h"
#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcCategoryLoader, "glimr.organize.category")

TCategoryLoader::TCategoryLoader(TCatalogQueries& queries, TFolderLoadHooks hooks)
    : queries_(queries), hooks_(std::move(hooks)) {}

TFolderLoadReport TCategoryLoader::ShowCategory(std::int32_t categoryID, TCurrentLists& lists,
                                                const TSortState& sort,
                                                const TFilterSettings& filter) {
  TFolderLoadReport report;
  if (hooks_.StopLoader) {
    hooks_.StopLoader();
  }
  try {
    if (hooks_.FreezeView) {
      hooks_.FreezeView();
    }
    lists.ListSource = TListSource::Category;
    // The old lists are written first: an image just given this category
    // must be in the rows read below.
    if (FlushLoadedFiles(lists, queries_) > 0) {
      report.CatalogWriteFailed = true;
    }
    Fill(categoryID, lists, sort, filter, report);
  } catch (const std::exception& e) {
    report.Error = ErrorText(e);
    // Half-built lists are not shown. Nothing is lost with them: the
    // records came from the rows, and the edits laid over them are still
    // in PendingWrites.
    lists.CurrentFiles.ClearWithoutFreeing();
    lists.LoadedFiles.Clear();
    qCWarning(lcCategoryLoader).noquote()
        << "showing category" << categoryID << "failed:" << report.Error;
  }
  ShowAndQueue(lists);
  return report;
}

void TCategoryLoader::Fill(std::int32_t categoryID, TCurrentLists& lists, const TSortState& sort,
                           const TFilterSettings& filter, TFolderLoadReport& report) {
  TFileList& loaded = lists.LoadedFiles;
  // Every row is read before any path is looked up; the rows of 10 000
  // files usually lie in a few folders, so each path is asked for once.
  std::vector<std::unique_ptr<TImageFileInfo>> rows = queries_.ReadCategoryFiles(categoryID);
  QHash<std::int32_t, QString> paths;
  for (std::unique_ptr<TImageFileInfo>& r : rows) {
    auto path = paths.constFind(r->CatalogID);
    if (path == paths.constEnd()) {
      path = paths.insert(r->CatalogID, queries_.CatalogPath(r->CatalogID));
    }
    // A row of a catalog that has no path names no file: an empty path
    // would be looked up in the working folder.
    if (path->isEmpty()) {
      continue;
    }
    r->Path = *path;
    r->SlotWidth = 2.0;
    const QString key = r->FullPath();
    struct stat st;
    if (stat(QFile::encodeName(key).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
      continue;  // gone from the disk; the row stays
    }
    // A damaged catalog may hold one file twice (two catalogs of one path).
    if (loaded.Find(key)) {
      continue;
    }
    if (hooks_.DiskDateSeen) {
      hooks_.DiskDateSeen(key, StatModDays(st));
    }
    if (const TImageFileInfo* edit = lists.PendingWrites.Find(key)) {
      ApplyUserEdits(*edit, *r);
      if (r->CategoryID != categoryID) {
        continue;
      }
    }
    r->ExtIndex = hooks_.ExtensionIndex ? hooks_.ExtensionIndex(key) : -1;
    r->Found = true;
    loaded.Append(key, r.release());
  }

  SortLoadedFiles(loaded, sort.Column, sort.Arrow, typeNameOf_);
  // A malformed name mask still leaves consistent lists, with the name test
  // passed; it is reported as the load's error.
  try {
    ApplyFilter(loaded, lists.CurrentFiles, filter);
  } catch (const GlimrError& e) {
    report.Error = e.message();
  }
  qCDebug(lcCategoryLoader) << "category" << categoryID << rows.size() << "rows," << loaded.Count()
                            << "on disk," << lists.CurrentFiles.Count() << "shown";
}

void TCategoryLoader::ShowAndQueue(const TCurrentLists& lists) {
  const TFileList& current = lists.CurrentFiles;
  if (hooks_.ShowList) {
    hooks_.ShowList(current.Count());
  }
  QStringList keys;
  for (int i = 0; i < current.Count() && i < kQueueCount; ++i) {
    keys.append(current.Key(i));
  }
  if (hooks_.QueueImages) {
    hooks_.QueueImages(keys);
  }
  if (!current.IsEmpty() && hooks_.StartLoader) {
    hooks_.StartLoader();
  }
}

}  // namespace glimr
