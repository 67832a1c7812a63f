#include "imaging/tbitmap.h"

#include <cstdlib>
#include <cstring>

namespace glimr {

void TBitmap::FreeBlock::operator()(GlimrBitmap* b) const {
  std::free(b);
}

TBitmap::TBitmap(std::int32_t width, std::int32_t height)
    : block_(glimr_bitmap_alloc(width, height)) {}

TBitmap::TBitmap(GlimrBitmap* adopted) : block_(adopted) {
  if (block_ && (block_->width <= 0 || block_->height <= 0 || !block_->bits ||
                 static_cast<std::int64_t>(block_->bytes_per_row) <
                     static_cast<std::int64_t>(block_->width) * 3)) {
    block_.reset();
  }
}

TBitmap TBitmap::Clone() const {
  if (IsNull())
    return {};
  TBitmap copy(Width(), Height());
  if (copy.IsNull())
    return copy;
  const std::size_t rowBytes = static_cast<std::size_t>(Width()) * 3;
  for (std::int32_t y = 0; y < Height(); ++y)
    std::memcpy(copy.Row(y), Row(y), rowBytes);
  return copy;
}

}  // namespace glimr
