#include "browse/pendingwrites.h"

#include <algorithm>

#include <QHash>

#include "catalog/catalogqueries.h"
#include "catalog/writehealth.h"

namespace glimr {

void TPendingWrites::Put(const TImageFileInfo& record) {
  if (record.IsFolder || (!record.Modified && record.ID != 0)) {
    return;
  }
  TImageFileInfo& kept = records_[record.FullPath()] = record;
  kept.Selected = false;
  kept.Focused = false;
}

void TPendingWrites::ReleaseCategories(const std::vector<std::int32_t>& deletedIDs) {
  for (auto& [path, record] : records_) {
    if (std::find(deletedIDs.begin(), deletedIDs.end(), record.CategoryID) != deletedIDs.end()) {
      record.CategoryID = 0;
    }
  }
}

int TPendingWrites::EditCount() const {
  int count = 0;
  for (const auto& [path, record] : records_) {
    count += record.Modified ? 1 : 0;
  }
  return count;
}

const TImageFileInfo* TPendingWrites::Find(const QString& fullPath) const {
  const auto it = records_.find(fullPath);
  return it != records_.end() ? &it->second : nullptr;
}

std::optional<TImageFileInfo> TPendingWrites::Take(const QString& fullPath) {
  const auto it = records_.find(fullPath);
  if (it == records_.end()) {
    return std::nullopt;
  }
  std::optional<TImageFileInfo> taken(std::move(it->second));
  records_.erase(it);
  return taken;
}

std::vector<TImageFileInfo> TPendingWrites::TakeFolder(const QString& folder) {
  std::vector<TImageFileInfo> taken;
  for (auto it = records_.lower_bound(folder);
       it != records_.end() && it->first.startsWith(folder);) {
    if (it->second.Path == folder) {
      taken.push_back(std::move(it->second));
      it = records_.erase(it);
    } else {
      ++it;  // a file of a subfolder
    }
  }
  return taken;
}

void TPendingWrites::DropWritten() {
  // A copy that got its row and carries no edit is done; an edited one
  // still needs its update.
  for (auto it = records_.begin(); it != records_.end();) {
    it = it->second.ID != 0 && !it->second.Modified ? records_.erase(it) : std::next(it);
  }
}

bool TPendingWrites::WriteAll(TCatalogQueries& queries) {
  if (records_.empty()) {
    return true;
  }
  try {
    // The missing rows first, all in one transaction: after a refused
    // folder load they can be thousands.
    QHash<QString, std::int32_t> catalogs;
    std::vector<TImageFileInfo*> missing;
    for (auto& [key, r] : records_) {
      if (r.ID != 0) {
        continue;
      }
      if (r.CatalogID == 0) {
        auto at = catalogs.constFind(r.Path);
        if (at == catalogs.constEnd()) {
          at = catalogs.insert(r.Path, queries.CatalogIDOfPath(r.Path));
        }
        r.CatalogID = at.value();
      }
      missing.push_back(&r);
    }
    queries.InsertFileRecords(missing);
    DropWritten();
    for (auto it = records_.begin(); it != records_.end();) {
      if (it->second.ID != 0) {
        queries.UpdateFileRecord(it->second);
        it = records_.erase(it);
      } else {
        ++it;
      }
    }
  } catch (const TCatalogWriteError&) {
    DropWritten();
    return false;
  } catch (...) {
    DropWritten();
    throw;
  }
  return records_.empty();
}

void ApplyUserEdits(const TImageFileInfo& edited, TImageFileInfo& record) {
  if (!edited.Modified) {
    return;
  }
  record.Caption = edited.Caption;
  record.CategoryID = edited.CategoryID;
  record.Rating = edited.Rating;
  record.Angle = edited.Angle;
  record.VFliped = edited.VFliped;
  record.HFliped = edited.HFliped;
  record.Modified = true;
}

}  // namespace glimr
