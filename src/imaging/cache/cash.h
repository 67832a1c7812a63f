#pragma once
// TCash: the in-memory thumbnail cache, a bounded list of (full path, entry)
// in use order with hashed lookup, filled by the background loader from the
// thumbnails stored in the catalog or from freshly decoded files.

#include <QHash>
#include <QImage>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace glimr {

struct TLocks;
class TThumbMaker;
class TThumbStore;

// One cached thumbnail. Width and Height are the full image's size; the
// thumbnail (QImage::Format_RGB888: red, green, blue bytes, rows top-down,
// each row padded to 4 bytes) has power-of-two sides. The ribbon shares the
// pixels through QImage's implicit sharing; nobody writes to them. An
// Undecodable entry stands for a file no plug-in could decode: its bitmap is
// the "cannot show" tile, its size the tile's own, and it lives in memory
// only (never stored, never copied into the file's record) so a cleared
// cache tries the file again. FileDate is the file's modification time (as
// FileModDays gives it) when the entry was made, so an entry of a file
// changed since can be told apart.
class TBmpCash {
 public:
  TBmpCash(std::int32_t width, std::int32_t height, QImage bitmap, bool undecodable = false,
           double fileDate = 0.0)
      : Width(width),
        Height(height),
        Bitmap(std::move(bitmap)),
        Undecodable(undecodable),
        FileDate(fileDate) {}

  // Set while a ribbon slot shows the entry; such an entry is never evicted
  // (only DropIfDateDiffers removes it: its file has changed). Set it
  // through TCash::Pin so the lookup and the mark are one step.
  std::atomic<bool> InUse{false};
  const std::int32_t Width;
  const std::int32_t Height;
  const QImage Bitmap;
  const bool Undecodable;
  const double FileDate;
};

using TBmpCashPtr = std::shared_ptr<TBmpCash>;

// The memory the cache may hold when none is given: an eighth of the
// physical memory, never less than 256 MiB (a full ribbon of the largest
// thumbnails, 2048 a side, with room to spare).
std::int64_t DefaultCashMemoryBudget();

class TCash {
 public:
  // capacity bounds the number of entries, memoryBudget (bytes) their
  // pixels; whichever is reached first makes room.
  TCash(TLocks& locks, TThumbMaker& maker, std::int32_t capacity = 100,
        std::int64_t memoryBudget = DefaultCashMemoryBudget());
  ~TCash();
  TCash(const TCash&) = delete;
  TCash& operator=(const TCash&) = delete;

  // Makes sure the file's thumbnail is cached (loader threads, several at
  // once). session is the catalog bound to the calling thread; thumbSize
  // the largest side of a new thumbnail; cancel, when set, stops the call
  // before a decode starts (also one waiting for its plug-in). The decode
  // and the JPEG encode hold no lock; the entry is added under DecodeLock
  // once the file is found still there.
  // A file that decodes to nothing gets an Undecodable entry and leaves the
  // catalog alone. A catalog that cannot be read or written does not stop
  // it: the thumbnail is then made from the file and kept in memory only
  // (the store reports a failed write itself). Other errors are shown as
  // "TCash.SetBitmapToCash(<path>): <message>" and raised again.
  // False when the file still needs loading: the call gave up before its
  // decode (cancel), or the cache was cleared while it ran and its result
  // was dropped, since it belongs to the cache as it was before the clear.
  bool SetBitmapToCash(const QString& path, TThumbStore& session, std::int32_t thumbSize,
                       const std::atomic<bool>* cancel = nullptr);

  // Entries are shared: a pointer a caller holds stays valid after the
  // entry is evicted or the cache is cleared.
  TBmpCashPtr Find(const QString& path) const;
  bool Contains(const QString& path) const;
  std::int32_t IndexOfPath(const QString& path) const;
  TBmpCashPtr EntryAt(std::int32_t index) const;
  QString PathAt(std::int32_t index) const;
  std::int32_t Count() const;
  // Frees and removes the entry at index unless it is in use.
  bool RemoveIfUnused(std::int32_t index);

  // Looks the path up and marks the entry in use in one holding of
  // CacheLock, so no eviction can come between; nothing when not cached.
  TBmpCashPtr Pin(const QString& path);
  void Unpin(const TBmpCashPtr& entry);

  std::int32_t Capacity() const;
  // Takes effect at the next insertion; nothing is evicted here.
  void SetCapacity(std::int32_t capacity);

  // The bytes of thumbnail pixels the cache may hold; like the capacity it
  // takes effect at the next insertion.
  std::int64_t MemoryBudget() const;
  void SetMemoryBudget(std::int64_t bytes);
  // The bytes of thumbnail pixels held now.
  std::int64_t MemoryUsed() const;

  // Drops the path's entry when it was made for another modification time
  // than fileDate, so the next request makes it again from the file as it
  // is now (GUI thread, during a folder load; takes CacheLock only). An
  // entry a ribbon slot shows goes too: the slot keeps its shared pixels
  // until it lets go. True when an entry was dropped.
  bool DropIfDateDiffers(const QString& key, double fileDate);
  // The same whatever the date: the file was deleted, moved away or
  // overwritten by the program. True when an entry was dropped.
  bool Drop(const QString& key);

  // Frees every entry, in use or not, without taking CacheLock: the caller
  // holds all four locks with the loader stopped. Starts a new generation:
  // a SetBitmapToCash that began before the clear adds nothing after it.
  void Clear();
  // Counts the clears; read under CacheLock or from any thread.
  std::uint64_t Generation() const { return generation_.load(); }

  // Appends an entry (the loader's last step, also used by tests and by
  // callers that already hold a thumbnail). When the list is full the first
  // entries from the front that are not in use are evicted; when every entry
  // is in use the new one is added beyond the capacity and the list shrinks
  // back as entries are released. A path already cached keeps its entry.
  void Append(const QString& path, TBmpCashPtr entry);

 private:
  struct TItem {
    QString Path;
    TBmpCashPtr Entry;
    std::int64_t Bytes = 0;
  };

  std::int32_t IndexOfLocked(const QString& path) const;
  void AppendLocked(const QString& path, TBmpCashPtr entry);
  void EraseLocked(std::vector<TItem>::iterator at);
  void DropLocked(const QString& key);
  // Appends unless the cache was cleared since generation was read; false
  // when the entry was dropped for that reason.
  bool AppendIfCurrent(const QString& path, TBmpCashPtr entry, std::uint64_t generation);
  bool TouchIfCached(const QString& path, std::uint64_t& generation);
  // Appends a freshly made entry unless its file is gone (DecodeLock) or
  // the cache was cleared since generation was read.
  bool Commit(const QString& path, TBmpCashPtr entry, std::uint64_t generation);
  bool Cache(const QString& path, const QString& fileName, std::int32_t catalogID, double fileDate,
             TThumbStore* session, std::int32_t thumbSize, const std::atomic<bool>* cancel,
             std::uint64_t generation);

  TLocks& locks_;
  TThumbMaker& maker_;
  std::int32_t capacity_;
  std::int64_t memoryBudget_;
  std::int64_t memoryUsed_ = 0;
  std::atomic<std::uint64_t> generation_{0};
  std::vector<TItem> items_;           // front = most recently asked for
  QHash<QString, TBmpCashPtr> index_;  // same entries by path
};

// Decodes a stored thumbnail into a cache bitmap (QImage::Format_RGB888, the
// byte order the thumbnails are stored in).
QImage DecodeStoredThumb(const QByteArray& jpeg);

}  // namespace glimr
