#pragma once
// The program's own clipboard: the images Cut or Copy put there (full paths
// with their catalogs), turned by Paste into a copy run into a folder or a
// category assignment. Nothing reaches the system clipboard.

#include <QHash>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

#include "fileops/copyengine.h"

namespace glimr {

class TFileList;

struct TClipBoardItem {
  bool Move = false;  // Cut: a paste into a folder moves the file
  std::int32_t CatalogID = 0;
};

// What a paste into a folder asks of the copy engine.
struct TPasteRequest {
  std::vector<TCopyEntry> Entries;
  QString DestinationFolder;  // with its trailing "/"
};

class TClipboardList {
 public:
  // Cut (cut true) or Copy: the selected images of the shown list, in its
  // order, replace the content; folder entries are passed over. With no
  // image selected the clipboard stays as it was.
  void PutSelected(const TFileList& currentFiles, bool cut);

  int Count() const { return static_cast<int>(entries_.size()); }
  bool IsEmpty() const { return entries_.empty(); }
  const QString& Path(int i) const { return entries_[static_cast<size_t>(i)].first; }
  const TClipBoardItem& Item(int i) const { return entries_[static_cast<size_t>(i)].second; }
  bool Contains(const QString& path) const { return index_.contains(path); }

  // The file left the disk: its entry goes.
  void Remove(const QString& path);
  // The file was renamed: its entry follows, keeping its place.
  void Rename(const QString& oldPath, const QString& newPath);
  void Clear();

  // Paste into a folder: one engine entry per clipboard entry, in order.
  TPasteRequest PasteRequest(const QString& folder) const;
  // After the paste's run: every cut entry the run settled leaves (moved,
  // skipped or found to be the destination itself). A cut entry the run did
  // not reach, cancelled or failed stays, so the user can paste it again.
  // Copy entries stay for the next paste.
  void PasteDone(const std::vector<TCopyResult>& results);

 private:
  void Reindex();

  std::vector<std::pair<QString, TClipBoardItem>> entries_;
  QHash<QString, int> index_;
};

}  // namespace glimr
