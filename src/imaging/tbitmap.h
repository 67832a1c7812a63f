#pragma once
// A 24-bit bitmap as the plug-ins deliver it and the scaler works on it: rows
// from the top row down, three bytes per pixel (blue, green, red as decoded;
// red first after SwapRedBlue), each row padded to a multiple of 4 bytes.
// It owns one GlimrBitmap block (allocated with malloc, released with free),
// so a plug-in's result is adopted without copying. Movable, not copyable;
// Clone() makes a deep copy.

#include <cstdint>
#include <memory>

#include "glimr_plugin.h"

namespace glimr {

class TBitmap {
 public:
  TBitmap() = default;
  // A zeroed width x height bitmap; null when the size is empty or above the
  // plug-in limits, or memory is short.
  TBitmap(std::int32_t width, std::int32_t height);
  // Takes ownership of a plug-in's bitmap (freed with free()). A block whose
  // header is inconsistent (no pixels, short rows) is freed and gives null.
  explicit TBitmap(GlimrBitmap* adopted);

  TBitmap(TBitmap&&) noexcept = default;
  TBitmap& operator=(TBitmap&&) noexcept = default;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  bool IsNull() const { return !block_; }
  explicit operator bool() const { return !IsNull(); }
  std::int32_t Width() const { return block_ ? block_->width : 0; }
  std::int32_t Height() const { return block_ ? block_->height : 0; }
  std::int32_t Stride() const { return block_ ? block_->bytes_per_row : 0; }
  std::uint8_t* Bits() { return block_ ? block_->bits : nullptr; }
  const std::uint8_t* Bits() const { return block_ ? block_->bits : nullptr; }
  std::uint8_t* Row(std::int32_t y) { return Bits() + static_cast<std::size_t>(y) * Stride(); }
  const std::uint8_t* Row(std::int32_t y) const {
    return Bits() + static_cast<std::size_t>(y) * Stride();
  }
  // Pointer to the three bytes of pixel (x, y).
  std::uint8_t* Pixel(std::int32_t x, std::int32_t y) { return Row(y) + 3 * x; }
  const std::uint8_t* Pixel(std::int32_t x, std::int32_t y) const { return Row(y) + 3 * x; }
  // Bytes of all rows including padding.
  std::size_t ByteCount() const { return static_cast<std::size_t>(Stride()) * Height(); }

  TBitmap Clone() const;
  // Gives the block up to the caller, who frees it with free().
  GlimrBitmap* Release() { return block_.release(); }

 private:
  struct FreeBlock {
    void operator()(GlimrBitmap* b) const;
  };
  std::unique_ptr<GlimrBitmap, FreeBlock> block_;
};

}  // namespace glimr
