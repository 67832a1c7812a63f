#include "browse/folderloader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLoggingCategory>
#include <QStringDecoder>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>

#include <memory>
#include <vector>

#include "catalog/catalogqueries.h"
#include "catalog/writehealth.h"
#include "common/datetime.h"
#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcBrowse, "glimr.browse")

namespace {

struct TDirEntry {
  QString name;
  bool isDir = false;
  // The name is valid UTF-8: only then does it name the file when encoded
  // again, so an entry without it cannot be shown or opened.
  bool validName = true;
};

// The name as a QString when its bytes are valid UTF-8 and come back the
// same when encoded (anything else would name another file or none).
bool DecodeName(const QByteArray& bytes, QString& name) {
  QStringDecoder toUtf16(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  name = toUtf16(bytes);
  return !toUtf16.hasError() && QFile::encodeName(name) == bytes;
}

// One pass over the folder. Returns the system's reason when the folder
// cannot be read (it may still have given some entries), empty otherwise.
QString ListFolder(const QByteArray& folder, std::vector<TDirEntry>& entries) {
  DIR* d = opendir(folder.constData());
  if (!d) {
    return qt_error_string(errno);
  }
  const int fd = dirfd(d);
  for (;;) {
    errno = 0;
    const dirent* e = readdir(d);
    if (!e) {
      break;
    }
    const char* raw = e->d_name;
    if (raw[0] == '.' && raw[1] == '\0') {
      continue;
    }
    bool isDir = false;
    bool isFile = false;
    if (e->d_type == DT_DIR) {
      isDir = true;
    } else if (e->d_type == DT_REG) {
      isFile = true;
    } else {
      // Links and file systems without entry types: ask for the target.
      struct stat st;
      if (fstatat(fd, raw, &st, 0) != 0) {
        continue;
      }
      isDir = S_ISDIR(st.st_mode);
      isFile = S_ISREG(st.st_mode);
    }
    if (!isDir && !isFile) {
      continue;
    }
    TDirEntry entry;
    entry.isDir = isDir;
    entry.validName = DecodeName(QByteArray(raw), entry.name);
    entries.push_back(std::move(entry));
  }
  const int readError = errno;
  closedir(d);
  return readError != 0 ? qt_error_string(readError) : QString();
}

// The entry's size and modification time, read now.
bool StatEntry(const QByteArray& folder, const QString& name, struct stat& st) {
  return stat((folder + QFile::encodeName(name)).constData(), &st) == 0;
}

}  // namespace

TFolderLoader::TFolderLoader(TCatalogQueries& queries, const QStringList& extensions,
                             TFolderLoadHooks hooks)
    : queries_(queries), hooks_(std::move(hooks)) {
  SetExtensions(extensions);
}

void TFolderLoader::SetExtensions(const QStringList& extensions) {
  extensions_.clear();
  // Each extension once, compared without regard to case, so a file can
  // never be listed twice.
  for (const QString& e : extensions) {
    QString ext = e.startsWith(QLatin1Char('.')) ? e.mid(1) : e;
    bool seen = ext.isEmpty();
    for (const QString& have : std::as_const(extensions_)) {
      seen = seen || have.compare(ext, Qt::CaseInsensitive) == 0;
    }
    if (!seen) {
      extensions_.append(ext);
    }
  }
}

namespace {

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

}  // namespace

int FlushLoadedFiles(TCurrentLists& lists, TCatalogQueries& queries) {
  StashAndClear(lists);
  lists.PendingWrites.WriteAll(queries);
  return lists.PendingWrites.Count();
}

TFolderLoadReport TFolderLoader::LoadFolder(const QString& folderPath, TCurrentLists& lists,
                                            const TSortState& sort, const TFilterSettings& filter) {
  TFolderLoadReport report;
  // Step 5: no loader may read the lists while they are rebuilt.
  if (hooks_.StopLoader) {
    hooks_.StopLoader();
  }
  QString folder = QDir::cleanPath(folderPath);
  if (!folder.endsWith(QLatin1Char('/'))) {
    folder += QLatin1Char('/');
  }
  bool flushed = false;
  try {
    // Step 6. A catalog that cannot be written cannot make the folder's
    // catalog either; then it has no rows, and its files are listed from
    // the disk alone until their rows can be stored.
    std::int32_t catalogID = 0;
    try {
      catalogID = queries_.CatalogIDOfPath(folder);
    } catch (const TCatalogWriteError&) {
      report.CatalogWriteFailed = true;
    }

    // Step 7. From here on the old lists are gone; their unsaved edits wait
    // in PendingWrites when the catalog does not take them.
    if (hooks_.FreezeView) {
      hooks_.FreezeView();
    }
    flushed = true;
    lists.ListSource = TListSource::Catalog;
    lists.CurrentFolder = folder;
    if (FlushLoadedFiles(lists, queries_) > 0) {
      report.CatalogWriteFailed = true;
    }
    Fill(folder, catalogID, lists, sort, filter, report);
  } catch (const std::exception& e) {
    report.Error = ErrorText(e);
    if (flushed) {
      // Half-built lists are not shown: the folder stays empty until a load
      // succeeds. Edits laid over its rows go back to the pending writes.
      StashAndClear(lists);
    } else {
      report.OldListsKept = true;
    }
    qCWarning(lcBrowse).noquote() << "load of" << folder << "failed:" << report.Error;
  }
  ShowAndQueue(lists);
  return report;
}

void TFolderLoader::ShowAndQueue(const TCurrentLists& lists) {
  // Step 13.
  const TFileList& current = lists.CurrentFiles;
  if (hooks_.ShowList) {
    hooks_.ShowList(current.Count());
  }
  // Step 14: the first images, for the loader.
  QStringList keys;
  for (int i = 0; i < current.Count() && i < kQueueCount; ++i) {
    if (!current.At(i)->IsFolder) {
      keys.append(current.Key(i));
    }
  }
  if (hooks_.QueueImages) {
    hooks_.QueueImages(keys);
  }
  // Step 15.
  if (!current.IsEmpty() && hooks_.StartLoader) {
    hooks_.StartLoader();
  }
}

void TFolderLoader::Fill(const QString& folder, std::int32_t catalogID, TCurrentLists& lists,
                         const TSortState& sort, const TFilterSettings& filter,
                         TFolderLoadReport& report) {
  TFileList& loaded = lists.LoadedFiles;
  auto extIndex = [this](const QString& fullPath) -> std::int32_t {
    return hooks_.ExtensionIndex ? hooks_.ExtensionIndex(fullPath) : -1;
  };

  // Step 8: the records the catalog holds for this folder.
  if (catalogID != 0) {
    for (std::unique_ptr<TImageFileInfo>& r : queries_.ReadCatalogFiles(catalogID)) {
      r->Path = folder;
      r->SlotWidth = 2.0;
      const QString key = folder + r->FileName;
      r->ExtIndex = extIndex(key);
      loaded.Append(key, r.release());
    }
  }
  // Edits and rows the catalog refused before: laid over what was read.
  QHash<QString, TImageFileInfo> pending;
  for (TImageFileInfo& r : lists.PendingWrites.TakeFolder(folder)) {
    pending.insert(r.FileName, std::move(r));
  }

  // Steps 9 and 10 share one listing of the folder.
  std::vector<TDirEntry> entries;
  const QByteArray folderBytes = QFile::encodeName(folder);
  report.ReadError = ListFolder(folderBytes, entries);

  // Step 9: plain files (hidden ones too) per supported extension, in the
  // plug-in set's order; extensions match without regard to case.
  QHash<QString, int> extOrder;
  for (int i = 0; i < extensions_.size(); ++i) {
    extOrder.insert(extensions_[i].toLower(), i);
  }
  std::vector<std::vector<const TDirEntry*>> byExt(static_cast<size_t>(extensions_.size()));
  for (const TDirEntry& e : entries) {
    if (e.isDir) {
      continue;
    }
    const qsizetype dot = e.name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
      continue;
    }
    const auto it = extOrder.constFind(e.name.mid(dot + 1).toLower());
    if (it == extOrder.constEnd()) {
      continue;
    }
    if (!e.validName) {
      ++report.NamesNotUtf8;
      continue;
    }
    byExt[static_cast<size_t>(it.value())].push_back(&e);
  }
  std::vector<TImageFileInfo*> fresh;
  std::vector<const TImageFileInfo*> changed;
  for (size_t x = 0; x < byExt.size(); ++x) {
    const QString typeName = extensions_[static_cast<qsizetype>(x)].toUpper();
    for (const TDirEntry* e : byExt[x]) {
      const QString key = folder + e->name;
      struct stat st;
      if (!StatEntry(folderBytes, e->name, st)) {
        continue;  // gone since the listing
      }
      const auto size = static_cast<std::int64_t>(st.st_size);
      const double date = StatModDays(st);
      if (hooks_.DiskDateSeen) {
        hooks_.DiskDateSeen(key, date);
      }
      TImageFileInfo* r = loaded.Find(key);
      if (!r) {
        auto made = std::make_unique<TImageFileInfo>();
        made->FileName = e->name;
        made->ExtIndex = extIndex(key);
        made->FileSize = size;
        made->SlotWidth = 2.0;
        made->CatalogID = catalogID;
        made->Path = folder;
        made->FileDate = date;
        made->TypeName = typeName;
        r = made.get();
        loaded.Append(key, made.release());
        if (catalogID != 0) {
          fresh.push_back(r);
        }
      } else if (r->FileSize != size || r->FileDate != date) {
        // Changed outside Glimr: the list shows the disk's size and date,
        // and the row takes them with its thumbnail marked stale, so the
        // thumbnail is made again once.
        r->FileSize = size;
        r->FileDate = date;
        changed.push_back(r);
      }
      const auto edit = pending.constFind(e->name);
      if (edit != pending.constEnd()) {
        ApplyUserEdits(edit.value(), *r);
      }
      r->Found = true;
    }
  }
  // Edits of rows whose files are not on the disk just now still wait for
  // the catalog (the rows stay); a missing row of a vanished file is not
  // needed any more.
  for (const TImageFileInfo& edit : std::as_const(pending)) {
    const TImageFileInfo* r = loaded.Find(folder + edit.FileName);
    if (!(r && r->Found) && edit.ID != 0) {
      lists.PendingWrites.Put(edit);
    }
  }
  // The rows are committed before the loader is told about any file. A
  // refused write leaves the records as they are (new ones without an ID):
  // the folder is shown from the disk, and the rows follow at a later write.
  try {
    queries_.InsertFileRecords(fresh);
  } catch (const TCatalogWriteError&) {
    report.CatalogWriteFailed = true;
  }
  try {
    queries_.UpdateFileStats(changed);
  } catch (const TCatalogWriteError&) {
    report.CatalogWriteFailed = true;
  }

  // Step 10: subfolders that are not hidden, and ".." except at the root.
  for (const TDirEntry& e : entries) {
    if (!e.isDir) {
      continue;
    }
    const bool parent = e.name == QLatin1String("..");
    if (parent ? folder == QLatin1String("/") : e.name.startsWith(QLatin1Char('.'))) {
      continue;
    }
    if (!e.validName) {
      ++report.NamesNotUtf8;
      continue;
    }
    auto r = std::make_unique<TImageFileInfo>();
    r->IsFolder = true;
    r->FileName = e.name;
    r->SlotWidth = 2.0;
    r->Found = true;
    struct stat st;
    if (StatEntry(folderBytes, e.name, st)) {
      r->FileDate = StatModDays(st);
    }
    loaded.Append(folder + e.name, r.release());
  }

  // Step 11: files recorded for this folder that are gone; their rows stay.
  loaded.RemoveIf([](const TImageFileInfo& r) { return !r.Found; });

  // Step 12. A malformed name mask still leaves consistent lists, with the
  // name test passed; it is reported as the load's error.
  SortLoadedFiles(loaded, sort.Column, sort.Arrow, typeNameOf_);
  try {
    ApplyFilter(loaded, lists.CurrentFiles, filter);
  } catch (const GlimrError& e) {
    report.Error = e.message();
  }
  qCDebug(lcBrowse) << "loaded" << folder << loaded.Count() << "entries,"
                    << lists.CurrentFiles.Count() << "shown";
}

}  // namespace glimr
