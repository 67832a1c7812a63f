#include "search/searchrun.h"

#include <QFile>
#include <QHash>
#include <QLoggingCategory>
#include <QSet>
#include <QStringDecoder>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "browse/filelist.h"
#include "browse/filemask.h"
#include "catalog/catalogqueries.h"
#include "catalog/writehealth.h"
#include "common/datetime.h"
#include "common/errors.h"
#include "search/searchpattern.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcSearchRun, "glimr.search.run")

namespace {

// The name as a QString when its bytes are valid UTF-8 that encodes back to
// the same bytes; any other name could not be opened again by its text.
bool DecodeName(const char* raw, QString& name) {
  const QByteArray bytes = QByteArray::fromRawData(raw, static_cast<qsizetype>(strlen(raw)));
  QStringDecoder toUtf16(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  name = toUtf16(bytes);
  return !toUtf16.hasError() && QFile::encodeName(name) == bytes;
}

bool IsFile(const QString& path) {
  struct stat st;
  return stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString UpperExtension(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1).toUpper();
}

}  // namespace

struct TSearchRun::TListing {
  QStringList files;
  QStringList folders;
};

TSearchRun::TSearchRun(TCatalogQueries& queries, const TSearchRequest& request,
                       const TComparObj& criteria, TFileList& results,
                       const std::atomic<bool>& cancel, TSearchHooks hooks)
    : queries_(queries),
      request_(request),
      criteria_(criteria),
      results_(results),
      cancel_(cancel),
      hooks_(std::move(hooks)),
      like_(SearchLikePattern(request.NameText)) {
  try {
    mask_ = std::make_unique<TFileMask>(SearchNameMask(request.NameText));
  } catch (const GlimrError& e) {
    error_ = e.message();
  }
}

TSearchRun::~TSearchRun() = default;

void TSearchRun::Run() {
  if (!mask_ || criteria_.SearchTypes.isEmpty()) {
    return;
  }
  try {
    for (const QString& folder : SearchFolderList(request_.Folders, request_.Subdirectories)) {
      if (Cancelled()) {
        return;
      }
      SearchFolder(folder, request_.Subdirectories);
    }
    for (const std::int32_t id : request_.CategoryIDs) {
      if (Cancelled()) {
        return;
      }
      SearchCategory(id, request_.Subcategories);
    }
  } catch (const std::exception& e) {
    error_ = ErrorText(e);
  }
}

bool TSearchRun::NameFits(const QString& name) const {
  return mask_ && mask_->Matches(name);
}

bool TSearchRun::RowFits(const TImageFileInfo& row) const {
  return NameFits(row.FileName) || (request_.InCaptions && NameFits(row.Caption));
}

void TSearchRun::Report(const QString& where, bool isCategory) {
  where_ = where;
  whereIsCategory_ = isCategory;
  if (hooks_.Progress) {
    hooks_.Progress(where, isCategory, results_.Count());
  }
}

std::int32_t TSearchRun::ExtIndexOf(const QString& fullPath) const {
  return hooks_.ExtensionIndex ? hooks_.ExtensionIndex(fullPath) : -1;
}

void TSearchRun::AddResult(std::unique_ptr<TImageFileInfo> record) {
  const QString key = record->FullPath();
  results_.Append(key, record.release());
  if (hooks_.Progress) {
    hooks_.Progress(where_, whereIsCategory_, results_.Count());
  }
}

bool TSearchRun::ListNew(const QString& folder, TListing& listing) {
  const QByteArray path = QFile::encodeName(folder);
  DIR* d = opendir(path.constData());
  if (!d) {
    return false;
  }
  struct stat self;
  // The first path by which a folder is reached is the one searched.
  if (fstat(dirfd(d), &self) != 0 || !visited_
                                          .emplace(static_cast<std::uint64_t>(self.st_dev),
                                                   static_cast<std::uint64_t>(self.st_ino))
                                          .second) {
    closedir(d);
    return false;
  }
  const int fd = dirfd(d);
  while (const dirent* e = readdir(d)) {
    if (Cancelled()) {
      break;
    }
    const char* raw = e->d_name;
    if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0'))) {
      continue;
    }
    bool isDir = e->d_type == DT_DIR;
    bool isFile = e->d_type == DT_REG;
    if (!isDir && !isFile) {
      // Links and file systems without entry types: ask for the target.
      struct stat st;
      if (fstatat(fd, raw, &st, 0) != 0) {
        continue;
      }
      isDir = S_ISDIR(st.st_mode);
      isFile = S_ISREG(st.st_mode);
    }
    // Hidden folders (the trash, caches, settings) are not walked, as the
    // folder tree does not show them; hidden files count like any other.
    if (isDir && raw[0] == '.') {
      continue;
    }
    QString name;
    if ((!isDir && !isFile) || !DecodeName(raw, name)) {
      continue;
    }
    (isDir ? listing.folders : listing.files).append(name);
  }
  closedir(d);
  return true;
}

void TSearchRun::SearchFolder(const QString& folder, bool recurse) {
  if (!mask_ || Cancelled()) {
    return;
  }
  QString root = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
  // A folder is read before its catalog is looked up, so one that is gone
  // or unreadable leaves no catalog behind.
  TListing listing;
  if (!ListNew(root, listing)) {
    return;
  }
  struct Pending {
    QString folder;
    std::int32_t parentCatalog;
  };
  std::vector<Pending> stack;
  auto pushChildren = [&](const QString& parent, std::int32_t parentCatalog,
                          const QStringList& names) {
    for (auto it = names.crbegin(); it != names.crend(); ++it) {
      stack.push_back({parent + *it + QLatin1Char('/'), parentCatalog});
    }
  };
  const std::int32_t rootCatalog = queries_.CatalogIDOfPath(root);
  SearchListed(root, rootCatalog, listing);
  if (recurse) {
    pushChildren(root, rootCatalog, listing.folders);
  }
  while (!stack.empty() && !Cancelled()) {
    const Pending p = std::move(stack.back());
    stack.pop_back();
    TListing sub;
    if (!ListNew(p.folder, sub)) {
      continue;
    }
    const QString name = p.folder.section(QLatin1Char('/'), -2, -2);
    const std::int32_t catalogID = request_.OnlyInDatabase
                                       ? queries_.FindChildCatalog(p.parentCatalog, name)
                                       : queries_.FindOrAddChildCatalog(p.parentCatalog, name);
    // Searching only the catalog goes no further than the catalogs go.
    if (catalogID == 0) {
      continue;
    }
    SearchListed(p.folder, catalogID, sub);
    pushChildren(p.folder, catalogID, sub.folders);
  }
}

void TSearchRun::SearchListed(const QString& folder, std::int32_t catalogID,
                              const TListing& listing) {
  Report(folder, false);
  if (Cancelled()) {
    return;
  }
  // Rows are judged by the same mask as the disk's names, so both parts give
  // the same answer for every name.
  std::vector<std::unique_ptr<TImageFileInfo>> rows;
  for (auto& row : queries_.SearchFiles(TCatalogQueries::TFilesOf::Catalog, catalogID, like_,
                                        request_.InCaptions, criteria_.SearchTypes)) {
    if (Cancelled()) {
      return;
    }
    if (!RowFits(*row)) {
      continue;
    }
    row->Path = folder;
    row->SlotWidth = 2.0;
    row->ExtIndex = ExtIndexOf(row->FullPath());
    rows.push_back(std::move(row));
  }

  if (request_.OnlyInDatabase) {
    for (auto& row : rows) {
      if (Cancelled()) {
        return;
      }
      const QString key = row->FullPath();
      if (results_.IndexOf(key) < 0 && IsFile(key) &&
          criteria_.MatchesCriteria(*row, hooks_.ReadDimensions)) {
        AddResult(std::move(row));
      }
    }
    return;
  }

  QHash<QString, size_t> byName;
  for (size_t i = 0; i < rows.size(); ++i) {
    byName.insert(rows[i]->FileName, i);
  }
  const QSet<QString> types(criteria_.SearchTypes.begin(), criteria_.SearchTypes.end());
  // Rows whose files changed since they were written, to be brought up to
  // date once the folder is done (or the search is cancelled).
  std::vector<TImageFileInfo> changed;
  for (const QString& name : listing.files) {
    if (Cancelled()) {
      break;
    }
    const QString type = UpperExtension(name);
    if (!types.contains(type) || !NameFits(name)) {
      continue;
    }
    const QString key = folder + name;
    if (results_.IndexOf(key) >= 0) {
      continue;
    }
    struct stat st;
    if (stat(QFile::encodeName(key).constData(), &st) != 0) {
      continue;  // gone since the listing
    }
    const auto diskSize = static_cast<std::int64_t>(st.st_size);
    const double diskDate = StatModDays(st);
    std::unique_ptr<TImageFileInfo> record;
    if (const auto it = byName.constFind(name); it != byName.constEnd()) {
      record = std::move(rows[it.value()]);
    } else {
      record = std::make_unique<TImageFileInfo>();
      record->FileName = name;
      record->CatalogID = catalogID;
      // A row the query did not return (its type written another way) is
      // still the file's row: its caption, rating and category are kept.
      if (!queries_.ReadFileRecord(*record)) {
        record->FileSize = diskSize;
        record->FileDate = diskDate;
        record->TypeName = type;
      }
      record->Path = folder;
      record->SlotWidth = 2.0;
      record->ExtIndex = ExtIndexOf(key);
    }
    if (!record) {
      continue;
    }
    // The disk is at hand: size and date criteria judge the file as it is
    // now, not as its row last saw it (a file edited today is found by
    // "Today"), and the row follows the disk.
    const bool fileChanged =
        record->ID != 0 && (record->FileSize != diskSize || record->FileDate != diskDate);
    if (fileChanged) {
      record->FileSize = diskSize;
      record->FileDate = diskDate;
      changed.push_back(*record);
    }
    if (!criteria_.MatchesCriteria(*record, hooks_.ReadDimensions, fileChanged)) {
      continue;
    }
    if (record->ID == 0) {
      // No row is added once the search is cancelled.
      if (Cancelled()) {
        break;
      }
      record->ID = queries_.InsertFileRecord(*record);
    }
    record->Found = true;
    AddResult(std::move(record));
  }
  WriteFileStats(changed);
}

void TSearchRun::WriteFileStats(const std::vector<TImageFileInfo>& rows) {
  if (rows.empty()) {
    return;
  }
  std::vector<const TImageFileInfo*> records;
  records.reserve(rows.size());
  for (const TImageFileInfo& r : rows) {
    records.push_back(&r);
  }
  try {
    queries_.UpdateFileStats(records);
  } catch (const TCatalogWriteError& e) {
    // The results carry the disk's values all the same; the next folder
    // load of this folder writes them again.
    qCWarning(lcSearchRun).noquote()
        << "size and date of" << rows.size() << "changed files not written:" << e.message();
  }
}

void TSearchRun::SearchCategory(std::int32_t id, bool recurse) {
  if (!mask_) {
    return;
  }
  std::vector<std::int32_t> stack{id};
  while (!stack.empty()) {
    if (Cancelled()) {
      return;
    }
    const std::int32_t c = stack.back();
    stack.pop_back();
    // Each category once: listed twice, listed and below another listed
    // one, or met again through a loop of parents in a damaged catalog.
    if (!categoriesDone_.insert(c).second) {
      continue;
    }
    Report(queries_.CategoryName(c), true);
    if (Cancelled()) {
      return;
    }
    for (auto& row : queries_.SearchFiles(TCatalogQueries::TFilesOf::Category, c, like_,
                                          request_.InCaptions, criteria_.SearchTypes)) {
      if (Cancelled()) {
        return;
      }
      if (!RowFits(*row)) {
        continue;
      }
      const QString path = queries_.CatalogPath(row->CatalogID);
      if (path.isEmpty()) {
        continue;
      }
      const QString key = path + row->FileName;
      if (results_.IndexOf(key) >= 0 || !IsFile(key)) {
        continue;
      }
      row->CategoryID = c;
      row->Path = path;
      row->SlotWidth = 2.0;
      row->ExtIndex = ExtIndexOf(key);
      if (criteria_.MatchesCriteria(*row, hooks_.ReadDimensions)) {
        AddResult(std::move(row));
      }
    }
    if (!recurse) {
      continue;
    }
    const std::vector<TCategoryRow> children = queries_.ReadCategoryChildren(c);
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
      const auto& listed = request_.CategoryIDs;
      // A listed category is searched at its own turn.
      if (std::find(listed.begin(), listed.end(), it->ID) == listed.end()) {
        stack.push_back(it->ID);
      }
    }
  }
}

}  // namespace glimr
