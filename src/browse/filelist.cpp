#include "browse/filelist.h"

#include <algorithm>

namespace glimr {

void TFileList::Rehash() const {
  index_.clear();
  index_.reserve(static_cast<qsizetype>(items_.size()));
  // Walk backwards so that with duplicate keys the first position wins.
  for (int i = Count() - 1; i >= 0; --i) {
    index_.insert(items_[static_cast<size_t>(i)].key, i);
  }
  indexValid_ = true;
}

int TFileList::IndexOf(const QString& key) const {
  if (!indexValid_) {
    Rehash();
  }
  return index_.value(key, -1);
}

TImageFileInfo* TFileList::Find(const QString& key) const {
  const int i = IndexOf(key);
  return i >= 0 ? At(i) : nullptr;
}

void TFileList::Append(const QString& key, TImageFileInfo* record) {
  items_.push_back({key, record});
  if (indexValid_ && !index_.contains(key)) {
    index_.insert(key, Count() - 1);
  }
}

void TFileList::Insert(int i, const QString& key, TImageFileInfo* record) {
  if (i >= Count()) {
    Append(key, record);
    return;
  }
  items_.insert(items_.begin() + std::max(i, 0), Item{key, record});
  indexValid_ = false;
}

void TFileList::Reserve(int count) {
  items_.reserve(static_cast<size_t>(std::max(count, 0)));
  if (indexValid_) {
    index_.reserve(count);
  }
}

void TFileList::SetKey(int i, const QString& key) {
  items_[static_cast<size_t>(i)].key = key;
  indexValid_ = false;
}

void TFileList::Delete(int i) {
  if (i < 0 || i >= Count()) {
    return;
  }
  auto it = items_.begin() + i;
  if (owns_) {
    delete it->record;
  }
  items_.erase(it);
  indexValid_ = false;
}

void TFileList::RemoveIf(const std::function<bool(const TImageFileInfo&)>& drop) {
  auto end = std::stable_partition(items_.begin(), items_.end(),
                                   [&](const Item& item) { return !drop(*item.record); });
  if (end == items_.end()) {
    return;
  }
  if (owns_) {
    for (auto it = end; it != items_.end(); ++it) {
      delete it->record;
    }
  }
  items_.erase(end, items_.end());
  indexValid_ = false;
}

void TFileList::Clear() {
  if (owns_) {
    for (Item& item : items_) {
      delete item.record;
    }
  }
  ClearWithoutFreeing();
}

void TFileList::ClearWithoutFreeing() {
  items_.clear();
  index_.clear();
  indexValid_ = true;
}

void TFileList::AssignRefs(const TFileList& source) {
  // An owning list would free records that belong to source.
  Q_ASSERT(!owns_);
  ClearWithoutFreeing();
  items_ = source.items_;
  indexValid_ = false;
}

void TFileList::Reorder(const std::vector<int>& order) {
  Q_ASSERT(order.size() == items_.size());
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) {
    sorted.push_back(items_[static_cast<size_t>(i)]);
  }
  items_.swap(sorted);
  indexValid_ = false;
}

}  // namespace glimr
