#pragma once
// The four process-wide locks. Where several are held they are always taken
// in declaration order: DecodeLock, DbLock, CacheLock, QueueLock.

#include <mutex>

namespace glimr {

struct TLocks {
  std::mutex DecodeLock;  // decoding a file; deleting a file with its cache entry
  std::mutex DbLock;      // every use of the shared database objects
  std::mutex CacheLock;   // the thumbnail cache's list
  std::mutex QueueLock;   // LoadQueue and the hand-over of the loader thread
};

// Holds all four locks in the documented order for the life of the object;
// used at shutdown and when the cache is rebuilt, before the loader stops.
class AllLocks {
 public:
  explicit AllLocks(TLocks& l)
      : decode_(l.DecodeLock), db_(l.DbLock), cache_(l.CacheLock), queue_(l.QueueLock) {}

 private:
  std::lock_guard<std::mutex> decode_;
  std::lock_guard<std::mutex> db_;
  std::lock_guard<std::mutex> cache_;
  std::lock_guard<std::mutex> queue_;
};

}  // namespace glimr
