#pragma once
// The catalog writes a load could not make because the catalog refused them
// (a full disk, a read-only file): copies of image records with unsaved edits
// and of records whose row is still to be stored. They are tried again at
// every write-back and laid over the rows when their folder is listed again,
// so nothing the user did is lost while the catalog cannot be written.

#include <QString>

#include <map>
#include <optional>
#include <vector>

#include "catalog/imagefileinfo.h"

namespace glimr {

class TCatalogQueries;

class TPendingWrites {
 public:
  // Keeps a copy of an image record that is Modified or has no ID yet,
  // in place of an older copy of the same file.
  void Put(const TImageFileInfo& record);
  bool IsEmpty() const { return records_.empty(); }
  int Count() const { return static_cast<int>(records_.size()); }
  // The copies that hold the user's edits (not just a row to store, which
  // the next load of the folder makes again from the disk).
  int EditCount() const;
  // The copy kept for a full path, null when none.
  const TImageFileInfo* Find(const QString& fullPath) const;

  // Deleted categories: the copies that hold one of them hold no category
  // now, so a later write cannot bring a deleted ID back.
  void ReleaseCategories(const std::vector<std::int32_t>& deletedIDs);

  // Takes out the copy kept for a full path (a file deleted, moved or
  // renamed by the program), if there is one.
  std::optional<TImageFileInfo> Take(const QString& fullPath);

  // Takes out the copies of the files directly in folder (ending with "/"),
  // for a load that lists it again.
  std::vector<TImageFileInfo> TakeFolder(const QString& folder);

  // Stores the missing rows (one transaction), then writes the edits; every
  // copy written leaves the store. Returns false when the catalog refused a
  // write: that copy and the ones not tried yet stay for the next time.
  // Any other error is raised, also with the unwritten copies kept.
  bool WriteAll(TCatalogQueries& queries);

 private:
  void DropWritten();

  // By full path, so the copies of one folder lie together.
  std::map<QString, TImageFileInfo> records_;
};

// Lays the user's edits of a kept copy (caption, category, rating, turn and
// flips) over a record freshly read or made from the disk, marking it
// Modified when the copy was.
void ApplyUserEdits(const TImageFileInfo& edited, TImageFileInfo& record);

}  // namespace glimr
