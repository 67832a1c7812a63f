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

TFolderLoadReport ShowCategory(TCatalogQueries& queries, std::int32_t categoryID,
                               TShownList& shown) {
  TCategorySource source(queries, categoryID);
  const TFolderLoadReport report = shown.Show(source);
  if (!report.Error.isEmpty()) {
    qCWarning(lcCategoryLoader).noquote()
        << "showing category" << categoryID << "failed:" << report.Error;
  }
  return report;
}

void TCategorySource::Fill(TCurrentLists& lists, const TFillServices& services,
                           TFolderLoadReport& report) {
  (void)report;
  const std::int32_t categoryID = categoryID_;
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
    if (services.DiskDateSeen) {
      services.DiskDateSeen(key, StatModDays(st));
    }
    if (const TImageFileInfo* edit = lists.PendingWrites.Find(key)) {
      ApplyUserEdits(*edit, *r);
      if (r->CategoryID != categoryID) {
        continue;
      }
    }
    r->ExtIndex = services.ExtensionIndex ? services.ExtensionIndex(key) : -1;
    r->Found = true;
    loaded.Append(key, r.release());
  }

  qCDebug(lcCategoryLoader) << "category" << categoryID << rows.size() << "rows," << loaded.Count()
                            << "on disk";
}

}  // namespace glimr
