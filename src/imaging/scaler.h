#pragma once
// The thumbnail scaler: area-averaging reduction to a power-of-two size with
// a fixed sharpening pass, made for OpenGL textures. Pure functions on
// 24-bit images (QImage::Format_BGR888 or Format_RGB888: three bytes per
// pixel, rows top-down) the caller owns; the three bytes are treated alike,
// so results are the same in either byte order. No locks.

#include <QImage>
#include <QSize>

#include <cstdint>

namespace glimr {

// Smallest power of two not below x, computed from the floating log2 the
// way the thumbnail sizes have always been computed (x >= 1).
std::int32_t UpPowerOfTwo(std::int32_t x);

// Final thumbnail size of a width x height image under the largest side
// thumbSize (ThumbTextureSize); both sides powers of two, at least 4.
QSize ThumbnailSize(std::int32_t width, std::int32_t height, std::int32_t thumbSize);

// A zeroed width x height image of the 24-bit format (padding included); null
// when a side is not positive or above the plug-in limits, or memory is
// short.
QImage NewImage24(std::int32_t width, std::int32_t height,
                  QImage::Format format = QImage::Format_BGR888);

// A new thumbnail of ThumbnailSize(), in the source's format; null for an
// empty source or one that is not 24-bit. The image is averaged down into
// min(w, W) x min(h, H), then stretched by replication when that is not yet
// the final size.
QImage MakeThumbnail(const QImage& source, std::int32_t thumbSize);

// The same for a reduced decode of an image of size full: the thumbnail's
// size comes from the full image, since the reduced image's own rounded
// proportions could give a different power of two at a boundary.
QImage MakeThumbnail(const QImage& source, QSize full, std::int32_t thumbSize);

// Averages source into the already sized destination (no larger than the
// source on either side, both 24-bit), then sharpens it in place when both
// sides are at least 3.
void ShrinkBitmap(const QImage& source, QImage& destination);

// Fills destination with source by pixel replication: each target pixel
// copies the source pixel under its centre. No smoothing.
void StretchBitmap(const QImage& source, QImage& destination);

// Exchanges the first and third byte of every pixel in place, and with them
// the format between Format_BGR888 and Format_RGB888, so the colours stay.
void SwapRedBlue(QImage& image);

}  // namespace glimr
