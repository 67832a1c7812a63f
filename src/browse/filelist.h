#pragma once
// An ordered list of (full path, record) pairs with hashed lookup by path:
// LoadedFiles (owns its records), CurrentFiles and search results. Keys
// compare as the file system does, case-sensitively.

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

#include "catalog/imagefileinfo.h"

namespace glimr {

class TFileList {
 public:
  // An owning list frees its records when they are deleted or cleared.
  explicit TFileList(bool ownsObjects) : owns_(ownsObjects) {}
  ~TFileList() { Clear(); }
  TFileList(const TFileList&) = delete;
  TFileList& operator=(const TFileList&) = delete;

  bool OwnsObjects() const { return owns_; }
  int Count() const { return static_cast<int>(items_.size()); }
  bool IsEmpty() const { return items_.empty(); }
  const QString& Key(int i) const { return items_[static_cast<size_t>(i)].key; }
  TImageFileInfo* At(int i) const { return items_[static_cast<size_t>(i)].record; }

  // Position of the first entry with this key, -1 when none.
  int IndexOf(const QString& key) const;
  TImageFileInfo* Find(const QString& key) const;

  void Append(const QString& key, TImageFileInfo* record);
  // Puts an entry at position i (0 .. Count()); the entries from i on move
  // one down.
  void Insert(int i, const QString& key, TImageFileInfo* record);
  // Makes room for count entries in all, so that appending them does not
  // grow the list and its index step by step.
  void Reserve(int count);
  // Gives entry i another key (a renamed file), keeping its place.
  void SetKey(int i, const QString& key);
  // Removes entry i (freeing its record in an owning list).
  void Delete(int i);
  // Removes every entry for which drop is true, keeping the order.
  void RemoveIf(const std::function<bool(const TImageFileInfo&)>& drop);
  void Clear();
  // Entries leave the list without being freed (their owner is elsewhere).
  void ClearWithoutFreeing();
  // Makes this list refer to the same keys and records as source, in order.
  void AssignRefs(const TFileList& source);

  // Puts the entries in a new order: position i takes the old entry order[i]
  // (order is a permutation of 0 .. Count() - 1).
  void Reorder(const std::vector<int>& order);

 private:
  struct Item {
    QString key;
    TImageFileInfo* record;
  };
  void Rehash() const;

  bool owns_;
  std::vector<Item> items_;
  mutable QHash<QString, int> index_;
  mutable bool indexValid_ = true;
};

}  // namespace glimr
