#pragma once
// TThumbPixelPool: the pixel memory of cached thumbnails, recycled between
// entries. A revisit decodes thousands of stored thumbnails of a few sizes;
// taken fresh from malloc, each one costs a page fault per 4 KiB (malloc
// hands large freed blocks back to the system), and those faults took longer
// than the decode itself. The pool carves buffers of one size from large
// slabs, backed by transparent huge pages where the system offers them, and
// a buffer goes back to its slab when the last QImage sharing it is gone.

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace glimr {

class TThumbPixelPool {
 public:
  // slabBytes is the size a slab aims at (rounded up to whole buffers and to
  // the huge page size); a buffer larger than that gets a slab of its own.
  explicit TThumbPixelPool(std::size_t slabBytes = std::size_t(8) << 20);
  ~TThumbPixelPool();
  TThumbPixelPool(const TThumbPixelPool&) = delete;
  TThumbPixelPool& operator=(const TThumbPixelPool&) = delete;

  // The pool every cache shares. It is never destroyed, so an image that
  // outlives the cache (a ribbon slot, a thread ending late) can still give
  // its buffer back.
  static TThumbPixelPool& Shared();

  // An image whose pixels come from the pool, not cleared; a null image
  // when the sizes are not positive or memory is short. The image may be
  // copied and sent between threads like any QImage; writing to a shared
  // copy detaches it into ordinary memory, as QImage always does.
  QImage Allocate(int width, int height, QImage::Format format);

  // What the pool holds from the system, and how much of it is handed out
  // (for tests and the benchmarks).
  std::size_t ReservedBytes() const;
  std::size_t UsedBytes() const;

 private:
  struct TSlab;
  static void Release(void* info);
  std::uint8_t* Take(std::size_t bytes, TSlab*& slab);
  void Give(TSlab* slab, std::uint8_t* buffer);

  const std::size_t slabBytes_;
  mutable std::mutex mutex_;
  // Slabs by the buffer size they serve.
  std::map<std::size_t, std::vector<std::unique_ptr<TSlab>>> slabs_;
  std::size_t reserved_ = 0;
  std::size_t used_ = 0;
};

}  // namespace glimr
