#include "imaging/cache/cash.h"

#include <QFileInfo>
#include <QLoggingCategory>

#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "common/datetime.h"
#include "common/errors.h"
#include "common/locks.h"
#include "imaging/cache/thumbjpeg.h"
#include "imaging/cache/thumbmaker.h"
#include "imaging/cache/thumbpixelpool.h"
#include "imaging/cache/thumbstore.h"
#include "imaging/cache/undecodablethumb.h"
#include "imaging/plugin.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcCash, "glimr.cache")

QImage DecodeStoredThumb(const QByteArray& jpeg) {
  QImage bitmap;
  DecodeThumbJpeg(jpeg, [&bitmap](int width, int height) {
    // Stored thumbnails are at most 2048 a side; anything larger is not ours.
    if (width > 4096 || height > 4096) {
      return TThumbTarget{};
    }
    // Every row is written by the decoder, so the image is not cleared first.
    bitmap = TThumbPixelPool::Shared().Allocate(width, height, QImage::Format_RGB888);
    if (bitmap.isNull()) {
      return TThumbTarget{};
    }
    return TThumbTarget{bitmap.bits(), static_cast<int>(bitmap.bytesPerLine())};
  });
  return bitmap;
}

std::int64_t DefaultCashMemoryBudget() {
  constexpr std::int64_t kFloor = std::int64_t(256) << 20;
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) {
    return kFloor;
  }
  return std::max(kFloor, std::int64_t(pages) * pageSize / 8);
}

TCash::TCash(TLocks& locks, TThumbMaker& maker, std::int32_t capacity, std::int64_t memoryBudget)
    : locks_(locks), maker_(maker), capacity_(capacity), memoryBudget_(memoryBudget) {}

TCash::~TCash() = default;

std::int32_t TCash::IndexOfLocked(const QString& path) const {
  const auto hit = index_.constFind(path);
  if (hit == index_.cend()) {
    return -1;
  }
  const TBmpCash* entry = hit.value().get();
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].Entry.get() == entry) {
      return static_cast<std::int32_t>(i);
    }
  }
  return -1;
}

TBmpCashPtr TCash::Find(const QString& path) const {
  std::lock_guard lock(locks_.CacheLock);
  return index_.value(path);
}

bool TCash::Contains(const QString& path) const {
  std::lock_guard lock(locks_.CacheLock);
  return index_.contains(path);
}

std::int32_t TCash::IndexOfPath(const QString& path) const {
  std::lock_guard lock(locks_.CacheLock);
  return IndexOfLocked(path);
}

TBmpCashPtr TCash::EntryAt(std::int32_t index) const {
  std::lock_guard lock(locks_.CacheLock);
  if (index < 0 || index >= static_cast<std::int32_t>(items_.size())) {
    return nullptr;
  }
  return items_[static_cast<std::size_t>(index)].Entry;
}

QString TCash::PathAt(std::int32_t index) const {
  std::lock_guard lock(locks_.CacheLock);
  if (index < 0 || index >= static_cast<std::int32_t>(items_.size())) {
    return {};
  }
  return items_[static_cast<std::size_t>(index)].Path;
}

std::int32_t TCash::Count() const {
  std::lock_guard lock(locks_.CacheLock);
  return static_cast<std::int32_t>(items_.size());
}

bool TCash::RemoveIfUnused(std::int32_t index) {
  std::lock_guard lock(locks_.CacheLock);
  if (index < 0 || index >= static_cast<std::int32_t>(items_.size())) {
    return false;
  }
  const auto it = items_.begin() + index;
  if (it->Entry->InUse.load()) {
    return false;
  }
  EraseLocked(it);
  return true;
}

void TCash::EraseLocked(std::vector<TItem>::iterator at) {
  memoryUsed_ -= at->Bytes;
  index_.remove(at->Path);
  items_.erase(at);
}

TBmpCashPtr TCash::Pin(const QString& path) {
  std::lock_guard lock(locks_.CacheLock);
  TBmpCashPtr entry = index_.value(path);
  if (entry) {
    entry->InUse.store(true);
  }
  return entry;
}

void TCash::Unpin(const TBmpCashPtr& entry) {
  if (!entry) {
    return;
  }
  std::lock_guard lock(locks_.CacheLock);
  entry->InUse.store(false);
}

std::int32_t TCash::Capacity() const {
  std::lock_guard lock(locks_.CacheLock);
  return capacity_;
}

void TCash::SetCapacity(std::int32_t capacity) {
  std::lock_guard lock(locks_.CacheLock);
  capacity_ = capacity;
}

std::int64_t TCash::MemoryBudget() const {
  std::lock_guard lock(locks_.CacheLock);
  return memoryBudget_;
}

void TCash::SetMemoryBudget(std::int64_t bytes) {
  std::lock_guard lock(locks_.CacheLock);
  memoryBudget_ = bytes;
}

std::int64_t TCash::MemoryUsed() const {
  std::lock_guard lock(locks_.CacheLock);
  return memoryUsed_;
}

bool TCash::DropIfDateDiffers(const QString& key, double fileDate) {
  std::lock_guard lock(locks_.CacheLock);
  const auto hit = index_.constFind(key);
  if (hit == index_.cend() || hit.value()->FileDate == fileDate) {
    return false;
  }
  DropLocked(key);
  return true;
}

bool TCash::Drop(const QString& key) {
  std::lock_guard lock(locks_.CacheLock);
  if (!index_.contains(key)) {
    return false;
  }
  DropLocked(key);
  return true;
}

void TCash::DropLocked(const QString& key) {
  const std::int32_t at = IndexOfLocked(key);
  if (at < 0) {
    index_.remove(key);
    return;
  }
  EraseLocked(items_.begin() + at);
}

void TCash::Clear() {
  ++generation_;
  items_.clear();
  index_.clear();
  memoryUsed_ = 0;
}

void TCash::Append(const QString& path, TBmpCashPtr entry) {
  std::lock_guard lock(locks_.CacheLock);
  AppendLocked(path, std::move(entry));
}

bool TCash::AppendIfCurrent(const QString& path, TBmpCashPtr entry, std::uint64_t generation) {
  std::lock_guard lock(locks_.CacheLock);
  if (generation_.load() != generation) {
    return false;
  }
  AppendLocked(path, std::move(entry));
  return true;
}

void TCash::AppendLocked(const QString& path, TBmpCashPtr entry) {
  // Two loaders overlap for a moment when a folder switch replaces the
  // thread; both may have made the same thumbnail. One entry per path.
  if (!entry || index_.contains(path)) {
    return;
  }
  // Eviction starts at the front: entries asked for again were moved there,
  // so it takes the oldest of those first, then the oldest new ones. The
  // memory budget counts like the capacity: at the largest thumbnails a
  // hundred entries would hold more than a gigabyte.
  const std::int64_t bytes = entry->Bitmap.sizeInBytes();
  while (!items_.empty() && (static_cast<std::int32_t>(items_.size()) >= capacity_ ||
                             memoryUsed_ + bytes > memoryBudget_)) {
    const auto victim = std::find_if(items_.begin(), items_.end(),
                                     [](const TItem& item) { return !item.Entry->InUse.load(); });
    if (victim == items_.end()) {
      break;  // every entry is shown: go beyond the limits for now
    }
    EraseLocked(victim);
  }
  index_.insert(path, entry);
  items_.push_back(TItem{path, std::move(entry), bytes});
  memoryUsed_ += bytes;
}

bool TCash::TouchIfCached(const QString& path, std::uint64_t& generation) {
  std::lock_guard lock(locks_.CacheLock);
  generation = generation_.load();
  const std::int32_t at = IndexOfLocked(path);
  if (at < 0) {
    return false;
  }
  std::rotate(items_.begin(), items_.begin() + at, items_.begin() + at + 1);
  return true;
}

bool TCash::SetBitmapToCash(const QString& path, TThumbStore& session, std::int32_t thumbSize,
                            const std::atomic<bool>* cancel) {
  try {
    std::uint64_t generation = 0;
    if (TouchIfCached(path, generation)) {
      return true;
    }
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = path.left(slash + 1);
    const QString fileName = path.mid(slash + 1);
    if (fileName.isEmpty() || !QFileInfo::exists(path)) {
      return true;
    }
    const double fileDate = FileModDays(path);
    std::int32_t catalogID = 0;
    TThumbStore* store = &session;
    try {
      catalogID = session.CatalogIDOfPath(folder);
    } catch (const std::exception& e) {
      // A damaged or locked catalog must not cost the ribbon its
      // thumbnails: they are made from the files and kept in memory.
      qCWarning(lcCash).noquote() << "catalog unreachable for" << path << ErrorText(e);
      // Making a missing catalog is a write: told with no lock held.
      session.ReportWrite(std::current_exception());
      store = nullptr;
    }
    if (store && catalogID == 0) {
      return true;
    }
    return Cache(path, fileName, catalogID, fileDate, store, thumbSize, cancel, generation);
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("TCash.SetBitmapToCash(%1): %2").arg(path, ErrorText(e)));
    throw;
  }
}

bool TCash::Commit(const QString& path, TBmpCashPtr entry, std::uint64_t generation) {
  // Under DecodeLock, as a delete, move or replace of the file with its
  // entry is: either that sequence ran first and the file is gone, so
  // nothing is added, or it runs after and finds the entry to remove.
  std::lock_guard decode(locks_.DecodeLock);
  if (!QFileInfo::exists(path)) {
    return true;
  }
  return AppendIfCurrent(path, std::move(entry), generation);
}

bool TCash::Cache(const QString& path, const QString& fileName, std::int32_t catalogID,
                  double fileDate, TThumbStore* session, std::int32_t thumbSize,
                  const std::atomic<bool>* cancel, std::uint64_t generation) {
  TThumbRow row;
  bool stored = false;
  if (session) {
    try {
      stored = session->ReadThumbRow(fileName, catalogID, row);
    } catch (const std::exception& e) {
      qCWarning(lcCash).noquote() << "cannot read the stored thumbnail of" << path << ErrorText(e);
    }
  }
  if (stored && row.IsThumb && row.FileDate == fileDate) {
    try {
      auto entry = std::make_shared<TBmpCash>(row.Width, row.Height, DecodeStoredThumb(row.Thumb),
                                              false, fileDate);
      return AppendIfCurrent(path, std::move(entry), generation);
    } catch (const GlimrError& e) {
      // A damaged stored thumbnail is made again from the file below and
      // overwritten; stopping the loader over it would leave the folder
      // without thumbnails every time it is opened.
      qCWarning(lcCash).noquote() << path << e.message();
    }
  }

  // The decode and the JPEG encode run outside every lock, beside the other
  // workers' (a plug-in that is not thread-safe lets one in at a time).
  if (cancel && cancel->load()) {
    return false;
  }
  if (!QFileInfo::exists(path)) {
    return true;
  }
  std::optional<TMadeThumb> made;
  {
    const TPluginCallCancel callOff(cancel);
    made = maker_.MakeThumb(path, thumbSize);
  }
  if (!made || made->Width <= 0 || made->Height <= 0 || made->Thumb.isNull()) {
    if (cancel && cancel->load()) {
      return false;  // the decode may have been called off before it began
    }
    // Not an error: the ribbon shows the file as unreadable instead of
    // waiting for it. Nothing reaches the catalog, so once the entry is
    // evicted or cleared the file is tried again, and a repaired file then
    // gets its real thumbnail.
    qCInfo(lcCash).noquote() << "cannot decode" << path;
    QImage tile = MakeUndecodableThumb(thumbSize);
    const std::int32_t side = tile.width();
    return Commit(path, std::make_shared<TBmpCash>(side, side, std::move(tile), true, fileDate),
                  generation);
  }
  if (session) {
    TThumbRow fresh;
    fresh.Width = made->Width;
    fresh.Height = made->Height;
    fresh.FileDate = fileDate;
    fresh.IsThumb = true;
    const QImage& thumb = made->Thumb;
    fresh.Thumb = EncodeThumbJpeg(thumb.constBits(), thumb.width(), thumb.height(),
                                  static_cast<int>(thumb.bytesPerLine()), 90);
    std::exception_ptr writeError;
    try {
      // A file without a FILES row keeps its thumbnail in memory only. The
      // row carries the date it was made for, so a row written for a file
      // replaced meanwhile is made again at the next visit.
      session->WriteThumbRow(fileName, catalogID, fresh);
    } catch (const std::exception& e) {
      // A full disk or a read-only catalog: the thumbnail is still shown,
      // and the user is told once through the write report, not once per
      // file.
      qCWarning(lcCash).noquote() << "cannot store the thumbnail of" << path << ErrorText(e);
      writeError = std::current_exception();
    }
    // With no lock held: the report may run the write health's hook.
    session->ReportWrite(writeError);
  }
  return Commit(path,
                std::make_shared<TBmpCash>(made->Width, made->Height, std::move(made->Thumb), false,
                                           fileDate),
                generation);
}

}  // namespace glimr
