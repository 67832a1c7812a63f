#pragma once
// One search over folders (catalog and disk) and categories (catalog only),
// filling a result list keyed by full path. It runs on any thread: it
// reaches the catalog through TCatalogQueries (DbLock per statement, never
// across a disk walk), reports progress through a hook and stops at once
// when its cancel flag is set.

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "search/criteria.h"
#include "search/searchrequest.h"

namespace glimr {

class TCatalogQueries;
class TFileList;
class TFileMask;

struct TSearchHooks {
  // The folder or category being searched and the number of results so
  // far; called often (once per folder, category and found file, each time
  // naming the place being searched), so the window throttles what it shows.
  std::function<void(const QString& where, bool isCategory, int found)> Progress;
  // The image size of a file, for dimension criteria.
  TDimensionsReader ReadDimensions;
  // The record's ExtIndex for a full path (the extension table); -1 when unset.
  std::function<std::int32_t(const QString& fullPath)> ExtensionIndex;
};

class TSearchRun {
 public:
  // results is an owning list; it is filled, never cleared. criteria must
  // have been built for this request (BuildCriteria of its properties).
  TSearchRun(TCatalogQueries& queries, const TSearchRequest& request, const TComparObj& criteria,
             TFileList& results, const std::atomic<bool>& cancel, TSearchHooks hooks = {});
  ~TSearchRun();
  TSearchRun(const TSearchRun&) = delete;
  TSearchRun& operator=(const TSearchRun&) = delete;

  // The folders, then the categories. A failure (a malformed name mask, an
  // engine error) ends the run with its message in Error(); what was found
  // until then stays in the results.
  void Run();
  bool Cancelled() const { return cancel_.load(std::memory_order_relaxed); }
  const QString& Error() const { return error_; }

  // The parts of Run, for tests.
  void SearchFolder(const QString& folder, bool recurse);
  void SearchCategory(std::int32_t id, bool recurse);

 private:
  struct TListing;
  bool NameFits(const QString& name) const;
  bool RowFits(const TImageFileInfo& row) const;
  void Report(const QString& where, bool isCategory);
  // Reads a folder not visited yet; false when it is unreadable, missing or
  // already visited by another path.
  bool ListNew(const QString& folder, TListing& listing);
  void SearchListed(const QString& folder, std::int32_t catalogID, const TListing& listing);
  // Brings the size and date of rows whose files changed up to date, their
  // stored thumbnails marked stale, as a folder load does.
  void WriteFileStats(const std::vector<TImageFileInfo>& rows);
  void AddResult(std::unique_ptr<TImageFileInfo> record);
  std::int32_t ExtIndexOf(const QString& fullPath) const;

  TCatalogQueries& queries_;
  const TSearchRequest& request_;
  const TComparObj& criteria_;
  TFileList& results_;
  const std::atomic<bool>& cancel_;
  TSearchHooks hooks_;
  QString like_;
  std::unique_ptr<TFileMask> mask_;
  QString error_;
  // The place last reported, named again by the report of each result.
  QString where_;
  bool whereIsCategory_ = false;
  // Folders met so far by device and inode: a link back into the tree (or
  // a second path to a folder) is not searched again.
  std::set<std::pair<std::uint64_t, std::uint64_t>> visited_;
  std::set<std::int32_t> categoriesDone_;
};

}  // namespace glimr
