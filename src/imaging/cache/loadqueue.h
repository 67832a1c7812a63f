#pragma once
// LoadQueue: the full paths waiting for the background loader, in the order
// they are to be loaded, with hashed lookup, and the paths a loader worker
// has claimed (is working on). Not locked itself: every user holds
// QueueLock.

#include <QHash>
#include <QSet>
#include <QString>

#include <cstdint>
#include <map>

namespace glimr {

class TLoadQueue {
 public:
  bool IsEmpty() const { return order_.empty(); }
  int Count() const { return static_cast<int>(order_.size()); }
  bool Contains(const QString& path) const { return index_.contains(path); }

  // The head of the queue, or the empty text.
  QString First() const;
  // Appends the path unless it is queued already (its place is then kept).
  void Add(const QString& path);
  // Puts the path at the head, moving it there when it is queued already.
  void AddFirst(const QString& path);
  // Removes the path wherever it is; false when it was not queued.
  bool Remove(const QString& path);
  // Empties the queue. Claims stay: the decodes they stand for are still
  // under way, and a path queued again must not start a second one.
  void Clear();

  // Claims: a path a worker is loading stays queued (it is taken off when
  // done) but no other worker takes it meanwhile, wherever it moves.
  // True when some queued path is not claimed.
  bool HasUnclaimed() const;
  // Claims the first queued path that is not claimed and returns it, or
  // returns the empty text when there is none.
  QString ClaimFirst();
  void Unclaim(const QString& path);
  bool IsClaimed(const QString& path) const { return claimed_.contains(path); }

 private:
  std::map<std::int64_t, QString>::const_iterator FirstUnclaimed() const;

  // Keys order the queue: AddFirst takes one below the smallest, Add one
  // above the largest, so every operation is logarithmic whatever the length.
  std::map<std::int64_t, QString> order_;
  QHash<QString, std::int64_t> index_;
  // Few: one per worker, plus a stopped loader's for a moment.
  QSet<QString> claimed_;
  std::int64_t head_ = 0;
  std::int64_t tail_ = 0;
};

}  // namespace glimr
