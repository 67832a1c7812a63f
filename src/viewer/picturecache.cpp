#include "viewer/picturecache.h"

#include <algorithm>

namespace glimr {

std::vector<TPictureCache::Entry>::iterator TPictureCache::Find(const TPictureKey& key) {
  return std::find_if(entries_.begin(), entries_.end(),
                      [&key](const Entry& e) { return e.Key == key; });
}

void TPictureCache::Put(const TPictureKey& key, QImage picture) {
  if (picture.isNull())
    return;
  const auto it = Find(key);
  if (it != entries_.end()) {
    it->Picture = std::move(picture);
    it->Used = ++clock_;
  } else {
    entries_.push_back({key, std::move(picture), ++clock_});
  }
  Trim();
}

QImage TPictureCache::Peek(const TPictureKey& key) {
  const auto it = Find(key);
  if (it == entries_.end())
    return {};
  it->Used = ++clock_;
  return it->Picture;
}

QImage TPictureCache::Take(const TPictureKey& key) {
  const auto it = Find(key);
  if (it == entries_.end())
    return {};
  QImage picture = std::move(it->Picture);
  entries_.erase(it);
  return picture;
}

bool TPictureCache::Contains(const TPictureKey& key) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&key](const Entry& e) { return e.Key == key; });
}

void TPictureCache::SetShown(std::optional<TPictureKey> key) {
  shown_ = std::move(key);
  Trim();
}

void TPictureCache::Forget(const QString& path) {
  std::erase_if(entries_, [&path](const Entry& e) { return e.Key.Path == path; });
}

std::int64_t TPictureCache::Bytes() const {
  std::int64_t bytes = 0;
  for (const Entry& e : entries_)
    bytes += e.Picture.sizeInBytes();
  return bytes;
}

void TPictureCache::Trim() {
  const auto isOther = [this](const Entry& e) { return !shown_ || !(e.Key == *shown_); };
  while (std::count_if(entries_.begin(), entries_.end(), isOther) > others_) {
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (isOther(*it) && (oldest == entries_.end() || it->Used < oldest->Used))
        oldest = it;
    }
    entries_.erase(oldest);
  }
}

}  // namespace glimr
