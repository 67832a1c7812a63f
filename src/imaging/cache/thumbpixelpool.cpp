#include "imaging/cache/thumbpixelpool.h"

#include <sys/mman.h>

#include <algorithm>

namespace glimr {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// A header before every buffer names its slab, since QImage hands the
// cleanup only the pointer it was given. 64 bytes keep the pixels aligned
// for the decoder's vector code.
constexpr std::size_t kHeader = 64;
// Thumbnails are at most 2048 a side; this is far beyond any of them.
constexpr std::size_t kLargest = std::size_t(1) << 30;

std::size_t RoundUp(std::size_t n, std::size_t step) {
  return (n + step - 1) / step * step;
}

// Anonymous memory aligned to the huge page size, so the kernel can back it
// with huge pages: one fault per 2 MiB instead of one per 4 KiB.
std::uint8_t* MapAligned(std::size_t bytes) {
  void* raw =
      mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) {
    return nullptr;
  }
  auto* start = static_cast<std::uint8_t*>(raw);
  auto* base =
      reinterpret_cast<std::uint8_t*>(RoundUp(reinterpret_cast<std::uintptr_t>(start), kHugePage));
  if (base > start) {
    munmap(start, static_cast<std::size_t>(base - start));
  }
  std::uint8_t* const tail = base + bytes;
  std::uint8_t* const end = start + bytes + kHugePage;
  if (end > tail) {
    munmap(tail, static_cast<std::size_t>(end - tail));
  }
  // Only advice: without transparent huge pages the memory works as it is.
  madvise(base, bytes, MADV_HUGEPAGE);
  return base;
}

}  // namespace

struct TThumbPixelPool::TSlab {
  TThumbPixelPool* Pool = nullptr;
  std::uint8_t* Base = nullptr;
  std::size_t MapBytes = 0;
  std::size_t SlotBytes = 0;  // header included
  std::size_t BufferBytes = 0;
  std::size_t Slots = 0;
  std::size_t Fresh = 0;  // slots from here on were never handed out
  std::size_t Used = 0;
  std::vector<std::uint8_t*> Free;
};

namespace {

struct TSlotHeader {
  void* Slab;
};
static_assert(sizeof(TSlotHeader) <= kHeader);

}  // namespace

TThumbPixelPool::TThumbPixelPool(std::size_t slabBytes) : slabBytes_(slabBytes) {}

TThumbPixelPool::~TThumbPixelPool() {
  for (auto& [bytes, list] : slabs_) {
    for (auto& slab : list) {
      munmap(slab->Base, slab->MapBytes);
    }
  }
}

TThumbPixelPool& TThumbPixelPool::Shared() {
  static auto* pool = new TThumbPixelPool();
  return *pool;
}

QImage TThumbPixelPool::Allocate(int width, int height, QImage::Format format) {
  const int depth = QImage::toPixelFormat(format).bitsPerPixel();
  if (width <= 0 || height <= 0 || depth <= 0 || width > 65535 || height > 65535) {
    return {};
  }
  // Rows padded to 4 bytes, as QImage lays them out itself.
  const std::size_t stride = (static_cast<std::size_t>(width) * std::size_t(depth) + 31) / 32 * 4;
  const std::size_t bytes = stride * static_cast<std::size_t>(height);
  if (bytes > kLargest) {
    return {};
  }
  TSlab* slab = nullptr;
  std::uint8_t* pixels = Take(bytes, slab);
  if (!pixels) {
    return {};
  }
  QImage image(pixels, width, height, static_cast<qsizetype>(stride), format, &Release,
               pixels - kHeader);
  if (image.isNull()) {
    Give(slab, pixels - kHeader);  // QImage calls no cleanup for an image it refused
  }
  return image;
}

std::uint8_t* TThumbPixelPool::Take(std::size_t bytes, TSlab*& slab) {
  const std::size_t slotBytes = RoundUp(kHeader + bytes, kHeader);
  std::lock_guard lock(mutex_);
  auto& list = slabs_[bytes];
  std::uint8_t* slot = nullptr;
  for (auto& s : list) {
    if (!s->Free.empty()) {
      slot = s->Free.back();
      s->Free.pop_back();
    } else if (s->Fresh < s->Slots) {
      slot = s->Base + s->Fresh++ * s->SlotBytes;
    } else {
      continue;
    }
    slab = s.get();
    break;
  }
  if (!slot) {
    const std::size_t mapBytes = RoundUp(std::max(slotBytes, slabBytes_), kHugePage);
    std::uint8_t* base = MapAligned(mapBytes);
    if (!base) {
      return nullptr;
    }
    auto fresh = std::make_unique<TSlab>();
    fresh->Pool = this;
    fresh->Base = base;
    fresh->MapBytes = mapBytes;
    fresh->SlotBytes = slotBytes;
    fresh->BufferBytes = bytes;
    fresh->Slots = mapBytes / slotBytes;
    fresh->Fresh = 1;
    slot = base;
    slab = fresh.get();
    list.push_back(std::move(fresh));
    reserved_ += mapBytes;
  }
  reinterpret_cast<TSlotHeader*>(slot)->Slab = slab;
  ++slab->Used;
  used_ += bytes;
  return slot + kHeader;
}

void TThumbPixelPool::Release(void* info) {
  auto* slot = static_cast<std::uint8_t*>(info);
  auto* slab = static_cast<TSlab*>(reinterpret_cast<TSlotHeader*>(slot)->Slab);
  slab->Pool->Give(slab, slot);
}

void TThumbPixelPool::Give(TSlab* slab, std::uint8_t* slot) {
  std::lock_guard lock(mutex_);
  slab->Free.push_back(slot);
  --slab->Used;
  used_ -= slab->BufferBytes;
  if (slab->Used > 0) {
    return;
  }
  // One empty slab per size stays for the next thumbnails; a second one
  // goes back to the system, so a cache that shrank does not keep its
  // largest size.
  auto& list = slabs_[slab->BufferBytes];
  const bool spare = std::any_of(list.begin(), list.end(),
                                 [slab](const auto& s) { return s.get() != slab && s->Used == 0; });
  if (!spare) {
    return;
  }
  munmap(slab->Base, slab->MapBytes);
  reserved_ -= slab->MapBytes;
  list.erase(
      std::find_if(list.begin(), list.end(), [slab](const auto& s) { return s.get() == slab; }));
}

std::size_t TThumbPixelPool::ReservedBytes() const {
  std::lock_guard lock(mutex_);
  return reserved_;
}

std::size_t TThumbPixelPool::UsedBytes() const {
  std::lock_guard lock(mutex_);
  return used_;
}

}  // namespace glimr
