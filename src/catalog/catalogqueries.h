#pragma once
// Every SQL statement of the program: folder paths to catalogs and back,
// file records in and out of FILES, categories, and the stored-thumbnail
// columns. Every operation takes DbLock itself unless noted, and runs on the
// calling thread's session (or the worker session passed in). A write the
// catalog refuses raises TCatalogWriteError; the main thread's writes also
// tell dm.WriteHealth() how they went (the thumbnail columns' writer reports
// for itself).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "catalog/imagefileinfo.h"

namespace glimr {

class TdmVesk;
class TSession;

// One CATEGORIES row.
struct TCategoryRow {
  std::int32_t ID = 0;
  std::int32_t ParentID = 0;
  QString Name;
};

// The stored-thumbnail columns of one FILES row.
struct TThumbRow {
  std::int32_t Width = 0;  // full image size
  std::int32_t Height = 0;
  double FileDate = 0.0;  // modification time when the thumbnail was made
  bool IsThumb = false;
  QByteArray Thumb;  // one complete JPEG stream, empty when none
};

class TCatalogQueries {
 public:
  explicit TCatalogQueries(TdmVesk& dm) : dm_(dm) {}

  // The catalog of a folder ("/home/ann/" or "/home/ann"), made when missing.
  // session: the calling worker's own session (which reports write failures
  // itself), or null for the default one.
  std::int32_t CatalogIDOfPath(const QString& folderPath, TSession* session = nullptr);
  // The recursive walk behind CatalogIDOfPath; the caller holds DbLock.
  std::int32_t FindOrAddCatalog(const QString& path);

  // "/home/ann/" for the catalog "ann"; answered from the cache when asked before.
  QString CatalogPath(std::int32_t id);
  int CatalogPathCacheSize() const { return static_cast<int>(pathCache_.size()); }

  // Stores a new FILES row from the record and returns its ID; when the file
  // has a row already (another process stored it) that row's ID, unchanged.
  std::int32_t InsertFileRecord(const TImageFileInfo& record);
  // The same inside the caller's holding of DbLock (a batch of inserts).
  std::int32_t InsertFileRecordLocked(const TImageFileInfo& record);
  // Stores a row for each record in one transaction and sets each record's
  // ID. On a failure the error is raised; the rows stored so far are kept
  // when the engine still can commit them, otherwise their IDs go back to 0
  // (they would name rows that do not exist).
  void InsertFileRecords(const std::vector<TImageFileInfo*>& records);
  // The records of every FILES row of a catalog, in the table's order; only
  // the database fields are filled, the rest keep their defaults.
  std::vector<std::unique_ptr<TImageFileInfo>> ReadCatalogFiles(std::int32_t catalogID);
  // Fills the database fields of the record from its row (by FileName and
  // CatalogID); false and the record untouched when there is none.
  bool ReadFileRecord(TImageFileInfo& record);
  // The FILES rows of one catalog or one category whose FILENAME (or, with
  // inCaptions, CAPTION) is LIKE likePattern, where a backslash escapes "%", "_"
  // and itself, and whose TYPENAME is one of types. The types are bound as
  // parameters, never written into the text. Only the database fields are
  // filled; no type gives no row.
  enum class TFilesOf { Catalog, Category };
  std::vector<std::unique_ptr<TImageFileInfo>> SearchFiles(TFilesOf of, std::int32_t id,
                                                           const QString& likePattern,
                                                           bool inCaptions,
                                                           const QStringList& types);
  // The catalog of the folder name below the catalog parentID; 0 when none.
  std::int32_t FindChildCatalog(std::int32_t parentID, const QString& name);
  // The same, made when missing.
  std::int32_t FindOrAddChildCatalog(std::int32_t parentID, const QString& name);
  // Writes the record's fields to its row (by ID): the user's edits, name,
  // folder, type and size. FILEDATE, WIDTH, HEIGHT, ISTHUMB and THUMB stay:
  // they describe the stored thumbnail and only its writer sets them.
  void UpdateFileRecord(const TImageFileInfo& record);
  // The file changed on disk: stores each record's FileSize and FileDate in
  // its row (by ID) with ISTHUMB false, so the thumbnail is made again once.
  // One transaction; on a failure nothing is changed and the error raised.
  void UpdateFileStats(const std::vector<const TImageFileInfo*>& records);
  void SetFileCategory(const QString& fileName, std::int32_t catalogID, std::int32_t categoryID);
  // Deletes the FILES row with this ID (its thumbnail with it); an unknown ID
  // changes nothing.
  void DeleteFileRecord(std::int32_t id);
  // Gives the row ID a file's new place after the file was moved or
  // renamed, in one transaction with the removal of a row that held that
  // place for an older file (it described content that is gone).
  void MoveFileRecord(std::int32_t id, std::int32_t catalogID, const QString& fileName);
  // Before a file is moved: puts a copy of row ID (its stored thumbnail
  // included) at the file's new place, in one transaction with the removal
  // of the rows that held that place. Returns the copy's ID, 0 when row ID
  // does not exist (the place is cleared all the same).
  std::int32_t CopyFileRecordTo(std::int32_t id, std::int32_t catalogID, const QString& fileName);
  // Deletes the row of the file fileName in catalogID, if there is one.
  void DeleteFileRecordOf(std::int32_t catalogID, const QString& fileName);

  std::int32_t InsertCategory(const QString& name, std::int32_t parentID);
  void RenameCategory(std::int32_t id, const QString& name);
  // Deletes the category row and releases every file of it (category 0).
  void DeleteCategory(std::int32_t id);
  QString CategoryName(std::int32_t id);
  // "Travel\2005\Alps\"; a lone "\" for an unknown ID. A damaged table
  // whose parents loop gives the path up to where the loop closes.
  QString CategoryPath(std::int32_t id);

  // Every category, depth first: each row after its parent, siblings in the
  // table's order (by ID). A damaged table still gives every row once: a
  // row whose parent does not exist, or the first row (by ID) of a loop of
  // parents, is given with ParentID 0, at the top level, and the rest of
  // its loop below it.
  std::vector<TCategoryRow> ReadCategories();
  // The rows whose parent is parentID, by ID; never the row itself.
  std::vector<TCategoryRow> ReadCategoryChildren(std::int32_t parentID);
  // Sets the category's parent. A move below itself or below one of its own
  // descendants would make a loop of parents and is ignored.
  void MoveCategory(std::int32_t id, std::int32_t newParentID);
  // Deletes the category and every category below it, and releases their
  // files (category 0), in one transaction; returns the deleted IDs, none
  // for an unknown ID. On a failure nothing changes and the error is raised.
  std::vector<std::int32_t> DeleteCategoryTree(std::int32_t id);
  // The records of every FILES row of a category; only the database fields
  // are filled (rating clamped to 0..5), the rest keep their defaults.
  std::vector<std::unique_ptr<TImageFileInfo>> ReadCategoryFiles(std::int32_t categoryID);
  // Writes the user's edits of each record (caption, rating, category,
  // angle, flips) to its row by ID, in one transaction; records without an
  // ID are skipped. On a failure nothing changes and the error is raised.
  void WriteUserEdits(const std::vector<const TImageFileInfo*>& records);

  // The thumbnail columns of a file's row, nothing when it has no row.
  std::optional<TThumbRow> ReadThumbRow(const QString& fileName, std::int32_t catalogID,
                                        TSession* session = nullptr);
  // Stores a thumbnail with ISTHUMB true, the file date and the full image
  // size in the file's row; false when the file has no row.
  bool WriteThumbRow(const QString& fileName, std::int32_t catalogID, const QByteArray& jpeg,
                     double fileDate, std::int32_t width, std::int32_t height,
                     TSession* session = nullptr);

 private:
  // The records of the FILES rows the statement selects by one parameter.
  std::vector<std::unique_ptr<TImageFileInfo>> ReadFilesWhere(const QString& sql,
                                                              const char* parameter,
                                                              std::int32_t value);
  QString CatalogPathStep(std::int32_t id, std::vector<std::int32_t>& seen);
  std::int32_t FindOrAddCatalog(const QString& path, bool& wrote);
  void InsertFileRecordsUnreported(const std::vector<TImageFileInfo*>& records);
  void DeleteCategoryUnreported(std::int32_t id);
  // The category and every category below it; loop-safe. The caller holds DbLock.
  std::vector<std::int32_t> CategorySubtreeLocked(std::int32_t id);

  TdmVesk& dm_;
  // Catalog paths with their IDs; CATALOGS rows are never changed or
  // deleted, so an entry never goes stale.
  std::vector<std::pair<QString, TCatalogID>> pathCache_;
};

}  // namespace glimr
