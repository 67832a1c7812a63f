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
                    const TFillServices& hooks, bool reread) {
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

}  // namespace

void TSearchSource::Fill(TCurrentLists& lists, const TFillServices& services,
                         TFolderLoadReport& report) {
  // The old list was written first: its edits are in the rows read again,
  // and its pending copies are laid over the results.
  const QString error =
      CopyResults(results_, lists, queries_, services, how_ == TResultsShow::Again);
  if (!error.isEmpty()) {
    report.Error = error;
  }
}

TFolderLoadReport ShowSearchResults(const TSearchResults& results, TShownList& shown,
                                    TCatalogQueries& queries, TResultsShow how) {
  TSearchSource source(results, queries, how);
  const TFolderLoadReport report = shown.Show(source);
  if (!report.Error.isEmpty()) {
    qCWarning(lcSearchResults).noquote() << "showing the search results failed:" << report.Error;
  }
  qCDebug(lcSearchResults) << results.Count() << "results," << shown.Loaded().Count() << "listed,"
                           << shown.Current().Count() << "shown";
  return report;
}

}  // namespace glimr
