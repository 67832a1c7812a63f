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
// pixels through QImage's implicit sharing; nobody writes to them. An Undecodable entry stands for
// a file no plug-in could decode: its bitmap is the "cannot show" tile, its size the tile's own,
// and it lives in memory only (never stored, never copied into the file's record) so a cleared
// cache tries the file again.
class TBmpCash {
 public:
  TBmpCash(std::int32_t width, std::int32_t height, QImage bitmap, bool undecodable = false)
      : Width(width), Height(height), Bitmap(std::move(bitmap)), Undecodable(undecodable) {}

  // Set while a ribbon slot shows the entry; such an entry is never evicted.
  // Set it through TCash::Pin so the lookup and the mark are one step.
  std::atomic<bool> InUse{false};
  const std::int32_t Width;
  const std::int32_t Height;
  const QImage Bitmap;
  const bool Undecodable;
};

using TBmpCashPtr = std::shared_ptr<TBmpCash>;

class TCash {
 public:
  TCash(TLocks& locks, TThumbMaker& maker, std::int32_t capacity = 100);
  ~TCash();
  TCash(const TCash&) = delete;
  TCash& operator=(const TCash&) = delete;

  // Makes sure the file's thumbnail is cached (loader thread). session is
  // the catalog bound to the calling thread; thumbSize the largest side of
  // a new thumbnail; cancel, when set, stops the call before a decode starts.
  // A file that decodes to nothing gets an Undecodable entry and leaves the
  // catalog alone. Errors are shown as "TCash.SetBitmapToCash(<path>):
  // <message>" and raised again.
  void SetBitmapToCash(const QString& path, TThumbStore& session, std::int32_t thumbSize,
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

  // Frees every entry, in use or not, without taking CacheLock: the caller
  // holds all four locks with the loader stopped.
  void Clear();

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
  };

  std::int32_t IndexOfLocked(const QString& path) const;
  void AppendLocked(const QString& path, TBmpCashPtr entry);
  bool TouchIfCached(const QString& path);
  void Cache(const QString& path, const QString& fileName, std::int32_t catalogID, double fileDate,
             TThumbStore& session, std::int32_t thumbSize, const std::atomic<bool>* cancel);

  TLocks& locks_;
  TThumbMaker& maker_;
  std::int32_t capacity_;
  std::vector<TItem> items_;           // front = most recently asked for
  QHash<QString, TBmpCashPtr> index_;  // same entries by path
};

// Decodes a stored thumbnail into a cache bitmap (QImage::Format_RGB888, the
// byte order the thumbnails are stored in).
QImage DecodeStoredThumb(const QByteArray& jpeg);

}  // namespace glimr
