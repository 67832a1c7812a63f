#include "browse/folderloader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLoggingCategory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

#include "catalog/catalogqueries.h"
#include "common/datetime.h"
#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcBrowse, "glimr.browse")

namespace {

// The modification time as the catalog stores it; the same instant as
// QFileInfo::lastModified() gives (milliseconds, truncated), so it equals
// FileModDays of the same file.
double StatDays(const struct stat& st) {
  const qint64 ms = static_cast<qint64>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
  return DateTimeToDays(QDateTime::fromMSecsSinceEpoch(ms));
}

struct TDirEntry {
  QString name;
  bool isDir = false;
};

// One pass over the folder; names that do not survive the round trip to the
// file system's bytes (not UTF-8) are skipped, since no later open would
// find them.
bool ListFolder(const QByteArray& folder, std::vector<TDirEntry>& entries) {
  DIR* d = opendir(folder.constData());
  if (!d) {
    return false;
  }
  const int fd = dirfd(d);
  while (const dirent* e = readdir(d)) {
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
    const QByteArray bytes(raw);
    QString name = QFile::decodeName(bytes);
    bool ascii = true;
    for (char c : bytes) {
      ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (!ascii && QFile::encodeName(name) != bytes) {
      continue;
    }
    entries.push_back({std::move(name), isDir});
  }
  closedir(d);
  return true;
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

void FlushLoadedFiles(TCurrentLists& lists, TCatalogQueries& queries) {
  TFileList& loaded = lists.LoadedFiles;
  for (int i = 0; i < loaded.Count(); ++i) {
    TImageFileInfo* r = loaded.At(i);
    if (r->Modified && !r->IsFolder) {
      queries.UpdateFileRecord(*r);
      r->Modified = false;
    }
  }
  lists.CurrentFiles.ClearWithoutFreeing();
  loaded.Clear();
}

void TFolderLoader::LoadFolder(const QString& folderPath, TCurrentLists& lists,
                               const TSortState& sort, const TFilterSettings& filter) {
  lists.ListSource = TListSource::Catalog;

  // Step 5: no loader may read the lists while they are rebuilt.
  if (hooks_.StopLoader) {
    hooks_.StopLoader();
  }

  // Step 6.
  QString folder = QDir::cleanPath(folderPath);
  if (!folder.endsWith(QLatin1Char('/'))) {
    folder += QLatin1Char('/');
  }
  const std::int32_t catalogID = queries_.CatalogIDOfPath(folder);
  lists.CurrentFolder = folder;

  // Step 7.
  if (hooks_.FreezeView) {
    hooks_.FreezeView();
  }
  FlushLoadedFiles(lists, queries_);
  TFileList& loaded = lists.LoadedFiles;

  auto extIndex = [this](const QString& fullPath) -> std::int32_t {
    return hooks_.ExtensionIndex ? hooks_.ExtensionIndex(fullPath) : -1;
  };

  // Step 8: the records the catalog holds for this folder.
  for (std::unique_ptr<TImageFileInfo>& r : queries_.ReadCatalogFiles(catalogID)) {
    r->Path = folder;
    r->SlotWidth = 2.0;
    const QString key = folder + r->FileName;
    r->ExtIndex = extIndex(key);
    loaded.Append(key, r.release());
  }

  // Steps 9 and 10 share one listing of the folder; a folder that cannot be
  // listed gives no entries.
  std::vector<TDirEntry> entries;
  const QByteArray folderBytes = QFile::encodeName(folder);
  ListFolder(folderBytes, entries);

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
    if (it != extOrder.constEnd()) {
      byExt[static_cast<size_t>(it.value())].push_back(&e);
    }
  }
  std::vector<TImageFileInfo*> fresh;
  for (size_t x = 0; x < byExt.size(); ++x) {
    const QString typeName = extensions_[static_cast<qsizetype>(x)].toUpper();
    for (const TDirEntry* e : byExt[x]) {
      const QString key = folder + e->name;
      TImageFileInfo* r = loaded.Find(key);
      if (!r) {
        struct stat st;
        if (stat((folderBytes + QFile::encodeName(e->name)).constData(), &st) != 0) {
          continue;  // gone since the listing
        }
        auto made = std::make_unique<TImageFileInfo>();
        made->FileName = e->name;
        made->ExtIndex = extIndex(key);
        made->FileSize = static_cast<std::int64_t>(st.st_size);
        made->SlotWidth = 2.0;
        made->CatalogID = catalogID;
        made->Path = folder;
        made->FileDate = StatDays(st);
        made->TypeName = typeName;
        r = made.get();
        fresh.push_back(r);
        loaded.Append(key, made.release());
      }
      r->Found = true;
    }
  }
  // The rows are committed before the loader is told about any file.
  queries_.InsertFileRecords(fresh);

  // Step 10: subfolders that are not hidden, and ".." except at the root.
  for (const TDirEntry& e : entries) {
    if (!e.isDir) {
      continue;
    }
    const bool parent = e.name == QLatin1String("..");
    if (parent ? folder == QLatin1String("/") : e.name.startsWith(QLatin1Char('.'))) {
      continue;
    }
    auto r = std::make_unique<TImageFileInfo>();
    r->IsFolder = true;
    r->FileName = e.name;
    r->SlotWidth = 2.0;
    r->Found = true;
    struct stat st;
    if (stat((folderBytes + QFile::encodeName(e.name)).constData(), &st) == 0) {
      r->FileDate = StatDays(st);
    }
    loaded.Append(folder + e.name, r.release());
  }

  // Step 11: files recorded for this folder that are gone; their rows stay.
  loaded.RemoveIf([](const TImageFileInfo& r) { return !r.Found; });

  // Step 12. A malformed name mask still leaves consistent lists; it is
  // reported once the load is complete.
  SortLoadedFiles(loaded, sort.Column, sort.Arrow, typeNameOf_);
  std::optional<GlimrError> filterError;
  try {
    ApplyFilter(loaded, lists.CurrentFiles, filter);
  } catch (const GlimrError& e) {
    filterError = e;
  }

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
  qCDebug(lcBrowse) << "loaded" << folder << loaded.Count() << "entries," << current.Count()
                    << "shown";
  if (filterError) {
    throw *filterError;
  }
}

}  // namespace glimr
