#include "imaging/cache/loadqueue.h"

namespace glimr {

QString TLoadQueue::First() const {
  return order_.empty() ? QString() : order_.begin()->second;
}

void TLoadQueue::Add(const QString& path) {
  if (path.isEmpty() || index_.contains(path)) {
    return;
  }
  const std::int64_t key = tail_++;
  order_.emplace(key, path);
  index_.insert(path, key);
}

void TLoadQueue::AddFirst(const QString& path) {
  if (path.isEmpty()) {
    return;
  }
  Remove(path);
  const std::int64_t key = --head_;
  order_.emplace(key, path);
  index_.insert(path, key);
}

bool TLoadQueue::Remove(const QString& path) {
  const auto it = index_.constFind(path);
  if (it == index_.cend()) {
    return false;
  }
  order_.erase(it.value());
  index_.erase(it);
  return true;
}

void TLoadQueue::Clear() {
  order_.clear();
  index_.clear();
  head_ = 0;
  tail_ = 0;
}

std::map<std::int64_t, QString>::const_iterator TLoadQueue::FirstUnclaimed() const {
  auto it = order_.cbegin();
  // Claimed paths are at most one per worker, so this skips only a few.
  while (it != order_.cend() && claimed_.contains(it->second)) {
    ++it;
  }
  return it;
}

bool TLoadQueue::HasUnclaimed() const {
  return FirstUnclaimed() != order_.cend();
}

QString TLoadQueue::ClaimFirst() {
  const auto it = FirstUnclaimed();
  if (it == order_.cend()) {
    return {};
  }
  claimed_.insert(it->second);
  return it->second;
}

void TLoadQueue::Unclaim(const QString& path) {
  claimed_.remove(path);
}

}  // namespace glimr
