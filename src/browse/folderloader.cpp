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
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include <algorithm>
#include <future>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "catalog/catalogqueries.h"
#include "catalog/writehealth.h"
#include "common/datetime.h"
#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcBrowse, "glimr.browse")

namespace {

struct TDirEntry {
  QByteArray bytes;  // the name as the file system stores it
  QString name;
  bool isDir = false;
  // The name is valid UTF-8: only then does it name the file when encoded
  // again, so an entry without it cannot be shown or opened.
  bool validName = true;
};

// The name as a QString when its bytes are valid UTF-8 and come back the
// same when encoded (anything else would name another file or none).
bool DecodeName(const QByteArray& bytes, QString& name) {
  // Most names are plain ASCII, which is its own UTF-8 both ways.
  if (std::all_of(bytes.cbegin(), bytes.cend(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    name = QString::fromLatin1(bytes);
    return true;
  }
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
    entry.bytes = QByteArray(raw);
    entry.validName = DecodeName(entry.bytes, entry.name);
    entries.push_back(std::move(entry));
  }
  const int readError = errno;
  closedir(d);
  return readError != 0 ? qt_error_string(readError) : QString();
}

// StatModDays without its cost per call: the conversion to local time goes
// through the C library directly, which neither takes Qt's lock nor looks at
// the time zone file again for every file. The fields and arithmetic are the
// same, so the result is the same double; times before 1970 take the general
// path.
double FastStatModDays(const struct stat& st) {
  static const QDate kEpoch(1899, 12, 30);
  const time_t secs = st.st_mtim.tv_sec;
  struct tm local;
  if (secs < 0 || !localtime_r(&secs, &local)) {
    return StatModDays(st);
  }
  const QDate date(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  const int ms = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 +
                 static_cast<int>(st.st_mtim.tv_nsec / 1000000);
  const double whole = static_cast<double>(kEpoch.daysTo(date));
  const double frac = ms / 86400000.0;
  return whole >= 0 ? whole + frac : whole - frac;
}

// An entry's size and modification time as read from the disk; ok is false
// when the entry is gone since the listing.
struct TEntryStat {
  bool ok = false;
  std::int64_t size = 0;
  double date = 0.0;
};

// Under this many entries one thread stats them all: starting threads would
// cost more than it saves.
constexpr size_t kStatSlice = 4096;

// Stats every entry named in `which` (positions in entries), relative to the
// folder's descriptor. A folder of many files is split into slices, one per
// core, each stated on a thread of its own: the calls mostly wait in the
// kernel, and the results land at their own positions, so the outcome is the
// same as one pass in order.
std::vector<TEntryStat> StatEntries(const QByteArray& folder, const std::vector<TDirEntry>& entries,
                                    const std::vector<int>& which) {
  std::vector<TEntryStat> stats(which.size());
  const int dir = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  auto statSlice = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      const QByteArray& name = entries[static_cast<size_t>(which[i])].bytes;
      struct stat st;
      const bool ok = dir >= 0 ? fstatat(dir, name.constData(), &st, 0) == 0
                               : stat((folder + name).constData(), &st) == 0;
      if (ok) {
        stats[i] = {true, static_cast<std::int64_t>(st.st_size), FastStatModDays(st)};
      }
    }
  };
  const size_t cores = std::max(1U, std::thread::hardware_concurrency());
  const size_t threads = std::min(cores, (which.size() + kStatSlice - 1) / kStatSlice);
  if (threads <= 1) {
    statSlice(0, which.size());
  } else {
    const size_t per = (which.size() + threads - 1) / threads;
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    for (size_t t = 1; t < threads; ++t) {
      const size_t from = t * per;
      const size_t to = std::min(which.size(), (t + 1) * per);
      try {
        pool.emplace_back(statSlice, from, to);
      } catch (const std::system_error&) {
        statSlice(from, to);  // no thread to be had: this one does the slice
      }
    }
    statSlice(0, per);
    for (std::thread& th : pool) {
      th.join();
    }
  }
  if (dir >= 0) {
    close(dir);
  }
  return stats;
}

// What one look at the disk gives a load: the folder's entries, its image
// files per extension (positions in entries, in the plug-in set's order), its
// subfolders, and the stats of both.
struct TDiskScan {
  QString readError;
  std::vector<TDirEntry> entries;
  std::vector<std::vector<int>> byExt;
  std::vector<int> folders;
  std::vector<TEntryStat> fileStats;    // byExt flattened, in the same order
  std::vector<TEntryStat> folderStats;  // per folders
  int namesNotUtf8 = 0;
};

// Lists the folder and stats what the load keeps. Touches nothing but its
// arguments and the disk, so it runs beside the reading of the catalog.
// extOrder: lower-case extension -> position in the plug-in set.
TDiskScan ScanDisk(const QByteArray& folderBytes, bool isRoot, const QHash<QString, int>& extOrder,
                   size_t extCount) {
  TDiskScan scan;
  scan.readError = ListFolder(folderBytes, scan.entries);
  // Plain files (hidden ones too) per supported extension; extensions match
  // without regard to case.
  scan.byExt.resize(extCount);
  for (size_t i = 0; i < scan.entries.size(); ++i) {
    const TDirEntry& e = scan.entries[i];
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
      ++scan.namesNotUtf8;
      continue;
    }
    scan.byExt[static_cast<size_t>(it.value())].push_back(static_cast<int>(i));
  }
  // Subfolders that are not hidden, and ".." except at the root.
  for (size_t i = 0; i < scan.entries.size(); ++i) {
    const TDirEntry& e = scan.entries[i];
    if (!e.isDir) {
      continue;
    }
    const bool parent = e.name == QLatin1String("..");
    if (parent ? isRoot : e.name.startsWith(QLatin1Char('.'))) {
      continue;
    }
    if (!e.validName) {
      ++scan.namesNotUtf8;
      continue;
    }
    scan.folders.push_back(static_cast<int>(i));
  }
  // The stats convert their times with the zone in force now: a change of
  // the time zone shows at the next load.
  tzset();
  std::vector<int> files;
  for (const std::vector<int>& ext : scan.byExt) {
    files.insert(files.end(), ext.begin(), ext.end());
  }
  scan.fileStats = StatEntries(folderBytes, scan.entries, files);
  scan.folderStats = StatEntries(folderBytes, scan.entries, scan.folders);
  return scan;
}

}  // namespace

TFolderLoader::TFolderLoader(TCatalogQueries& queries, const QStringList& extensions)
    : queries_(queries) {
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

TFolderLoadReport TFolderLoader::LoadFolder(const QString& folderPath, TShownList& shown) {
  QString folder = QDir::cleanPath(folderPath);
  if (!folder.endsWith(QLatin1Char('/'))) {
    folder += QLatin1Char('/');
  }
  TFolderSource source(queries_, extensions_, folder);
  const TFolderLoadReport report = shown.Show(source);
  if (!report.Error.isEmpty()) {
    qCWarning(lcBrowse).noquote() << "load of" << folder << "failed:" << report.Error;
  }
  return report;
}

TFolderSource::TFolderSource(TCatalogQueries& queries, const QStringList& extensions,
                             QString folder)
    : queries_(queries), extensions_(extensions), folder_(std::move(folder)) {}

void TFolderSource::Prepare(TFolderLoadReport& report) {
  try {
    catalogID_ = queries_.CatalogIDOfPath(folder_);
  } catch (const TCatalogWriteError&) {
    report.CatalogWriteFailed = true;
  }
}

void TFolderSource::Fill(TCurrentLists& lists, const TFillServices& services,
                         TFolderLoadReport& report) {
  const QString& folder = folder_;
  const std::int32_t catalogID = catalogID_;
  TFileList& loaded = lists.LoadedFiles;
  // The index depends on the extension alone (as its case stands): the hook
  // is asked once per extension a load meets, not once per file.
  std::vector<std::pair<QString, std::int32_t>> extIndexes;
  auto extIndex = [&services, &extIndexes](const QString& fullPath) -> std::int32_t {
    if (!services.ExtensionIndex) {
      return -1;
    }
    const qsizetype dot = fullPath.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < fullPath.lastIndexOf(QLatin1Char('/'))) {
      return services.ExtensionIndex(fullPath);
    }
    const QStringView ext = QStringView(fullPath).mid(dot + 1);
    for (const auto& [have, index] : extIndexes) {
      if (have == ext) {
        return index;
      }
    }
    const std::int32_t index = services.ExtensionIndex(fullPath);
    extIndexes.emplace_back(ext.toString(), index);
    return index;
  };

  // The listing and the subfolders share one look at the disk, taken while the catalog's
  // rows are read : the listing and the stats wait on the kernel,
  // the rows on the engine.
  QHash<QString, int> extOrder;
  for (int i = 0; i < extensions_.size(); ++i) {
    extOrder.insert(extensions_[i].toLower(), i);
  }
  const QByteArray folderBytes = QFile::encodeName(folder);
  const bool isRoot = folder == QLatin1String("/");
  const auto extCount = static_cast<size_t>(extensions_.size());
  // Its destructor waits for the scan, also when reading the rows fails.
  std::future<TDiskScan> scanning;
  try {
    scanning = std::async(std::launch::async, ScanDisk, std::cref(folderBytes), isRoot,
                          std::cref(extOrder), extCount);
  } catch (const std::system_error&) {
    // No thread to be had: the scan runs when its result is asked for.
    scanning = std::async(std::launch::deferred, ScanDisk, std::cref(folderBytes), isRoot,
                          std::cref(extOrder), extCount);
  }

  // The records the catalog holds for this folder.
  if (catalogID != 0) {
    std::vector<std::unique_ptr<TImageFileInfo>> rows = queries_.ReadCatalogFiles(catalogID);
    loaded.Reserve(static_cast<int>(rows.size()));
    for (std::unique_ptr<TImageFileInfo>& r : rows) {
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

  const TDiskScan scan = scanning.get();

  report.ReadError = scan.readError;
  report.NamesNotUtf8 += scan.namesNotUtf8;

  // The image files, in the plug-in set's order.
  std::vector<TImageFileInfo*> fresh;
  std::vector<const TImageFileInfo*> changed;
  size_t at = 0;
  for (size_t x = 0; x < scan.byExt.size(); ++x) {
    const QString typeName = extensions_[static_cast<qsizetype>(x)].toUpper();
    for (const int entry : scan.byExt[x]) {
      const TEntryStat& st = scan.fileStats[at++];
      if (!st.ok) {
        continue;  // gone since the listing
      }
      const TDirEntry& e = scan.entries[static_cast<size_t>(entry)];
      const QString key = folder + e.name;
      if (services.DiskDateSeen) {
        services.DiskDateSeen(key, st.date);
      }
      TImageFileInfo* r = loaded.Find(key);
      if (!r) {
        auto made = std::make_unique<TImageFileInfo>();
        made->FileName = e.name;
        made->ExtIndex = extIndex(key);
        made->FileSize = st.size;
        made->SlotWidth = 2.0;
        made->CatalogID = catalogID;
        made->Path = folder;
        made->FileDate = st.date;
        made->TypeName = typeName;
        r = made.get();
        loaded.Append(key, made.release());
        if (catalogID != 0) {
          fresh.push_back(r);
        }
      } else if (r->FileSize != st.size || r->FileDate != st.date) {
        // Changed outside Glimr: the list shows the disk's size and date,
        // and the row takes them with its thumbnail marked stale, so the
        // thumbnail is made again once.
        r->FileSize = st.size;
        r->FileDate = st.date;
        changed.push_back(r);
      }
      if (!pending.isEmpty()) {
        const auto edit = pending.constFind(e.name);
        if (edit != pending.constEnd()) {
          ApplyUserEdits(edit.value(), *r);
        }
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

  // The subfolders and "..".

  for (size_t i = 0; i < scan.folders.size(); ++i) {
    const TDirEntry& e = scan.entries[static_cast<size_t>(scan.folders[i])];
    auto r = std::make_unique<TImageFileInfo>();
    r->IsFolder = true;
    r->FileName = e.name;
    r->SlotWidth = 2.0;
    r->Found = true;
    if (scan.folderStats[i].ok) {
      r->FileDate = scan.folderStats[i].date;
    }
    loaded.Append(folder + e.name, r.release());
  }

  // Files recorded for this folder that are gone; their rows stay.
  loaded.RemoveIf([](const TImageFileInfo& r) { return !r.Found; });

  qCDebug(lcBrowse) << "listed" << folder << loaded.Count() << "entries";
}

}  // namespace glimr
