#include "fileops/clipboardlist.h"

#include <QSet>

#include <algorithm>

#include "browse/filelist.h"

namespace glimr {

void TClipboardList::PutSelected(const TFileList& currentFiles, bool cut) {
  std::vector<std::pair<QString, TClipBoardItem>> taken;
  QSet<QString> seen;
  for (int i = 0; i < currentFiles.Count(); ++i) {
    const TImageFileInfo* r = currentFiles.At(i);
    if (!r || !r->Selected || r->IsFolder || seen.contains(currentFiles.Key(i))) {
      continue;
    }
    seen.insert(currentFiles.Key(i));
    taken.push_back({currentFiles.Key(i), TClipBoardItem{cut, r->CatalogID}});
  }
  if (taken.empty()) {
    return;
  }
  entries_ = std::move(taken);
  Reindex();
}

void TClipboardList::Remove(const QString& path) {
  const auto it = index_.constFind(path);
  if (it == index_.cend()) {
    return;
  }
  entries_.erase(entries_.begin() + *it);
  Reindex();
}

void TClipboardList::Rename(const QString& oldPath, const QString& newPath) {
  const auto it = index_.constFind(oldPath);
  if (it == index_.cend() || oldPath == newPath) {
    return;
  }
  const int at = *it;
  // An entry already under the new name named a file that is no longer
  // there (the rename would have been refused otherwise): it goes.
  if (const auto stale = index_.constFind(newPath); stale != index_.cend()) {
    entries_.erase(entries_.begin() + *stale);
    Reindex();
    Rename(oldPath, newPath);
    return;
  }
  entries_[static_cast<size_t>(at)].first = newPath;
  Reindex();
}

void TClipboardList::Clear() {
  entries_.clear();
  index_.clear();
}

TPasteRequest TClipboardList::PasteRequest(const QString& folder) const {
  TPasteRequest request;
  request.DestinationFolder = folder;
  if (!request.DestinationFolder.isEmpty() &&
      !request.DestinationFolder.endsWith(QLatin1Char('/'))) {
    request.DestinationFolder += QLatin1Char('/');
  }
  request.Entries.reserve(entries_.size());
  for (const auto& [path, item] : entries_) {
    request.Entries.push_back(TCopyEntry{path, item.Move, item.CatalogID});
  }
  return request;
}

void TClipboardList::PasteDone(const std::vector<TCopyResult>& results) {
  QSet<QString> settled;
  for (const TCopyResult& r : results) {
    switch (r.Outcome) {
      case TCopyOutcome::NotReached:
      case TCopyOutcome::Cancelled:
      case TCopyOutcome::Failed:
        break;
      case TCopyOutcome::Copied:  // a move whose source could not be deleted
      case TCopyOutcome::Moved:
      case TCopyOutcome::Skipped:
      case TCopyOutcome::SkippedSameFile:
      case TCopyOutcome::SkippedMissing:
        settled.insert(r.Source);
        break;
    }
  }
  const auto before = entries_.size();
  std::erase_if(entries_,
                [&](const auto& e) { return e.second.Move && settled.contains(e.first); });
  if (entries_.size() != before) {
    Reindex();
  }
}

void TClipboardList::Reindex() {
  index_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) {
    index_.insert(entries_[i].first, static_cast<int>(i));
  }
}

}  // namespace glimr
