#pragma once
// The stored thumbnail format: one baseline JFIF stream (quality 90) of the
// thumbnail's bytes exactly as they sit in memory, three bytes per pixel.

#include <QByteArray>

#include <cstdint>
#include <functional>

namespace glimr {

// Compresses width x height pixels of three bytes each (rows top-down, stride
// bytes apart). Throws GlimrError when libjpeg refuses the image.
QByteArray EncodeThumbJpeg(const std::uint8_t* pixels, int width, int height, int stride,
                           int quality = 90);

// Where DecodeThumbJpeg writes: the caller allocates a width x height image
// and hands back its first row and its row stride (nullptr to give up).
struct TThumbTarget {
  std::uint8_t* Bits = nullptr;
  int Stride = 0;
};
using TThumbAllocator = std::function<TThumbTarget(int width, int height)>;

// Decodes a stored thumbnail straight into the allocated image, three bytes
// per pixel in the stream's own order. Throws GlimrError for a damaged or
// truncated stream or a grey or CMYK one that was not written by us.
void DecodeThumbJpeg(const QByteArray& jpeg, const TThumbAllocator& allocate);

}  // namespace glimr
