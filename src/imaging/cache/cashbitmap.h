#pragma once
// The pixels of one cached thumbnail: 24 bits per pixel in red, green, blue
// byte order, rows top-down, each row padded to a multiple of 4 bytes.

#include <cstdint>
#include <vector>

namespace glimr {

struct TCashBitmap {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t Stride = 0;
  std::vector<std::uint8_t> Bits;

  static std::int32_t StrideFor(std::int32_t width) { return (width * 3 + 3) & ~3; }
  void Allocate(std::int32_t width, std::int32_t height) {
    Width = width;
    Height = height;
    Stride = StrideFor(width);
    Bits.assign(static_cast<std::size_t>(Stride) * static_cast<std::size_t>(height), 0);
  }
  const std::uint8_t* Row(std::int32_t y) const {
    return Bits.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Stride);
  }
  std::uint8_t* Row(std::int32_t y) {
    return Bits.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Stride);
  }
};

}  // namespace glimr
