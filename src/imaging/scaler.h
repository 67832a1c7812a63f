#pragma once
// The thumbnail scaler: area-averaging reduction to a power-of-two size with
// a fixed sharpening pass, made for OpenGL textures. Pure functions on
// bitmaps the caller owns; no locks.

#include <QSize>

#include <cstdint>

#include "imaging/tbitmap.h"

namespace glimr {

// Smallest power of two not below x, computed from the floating log2 the
// way the thumbnail sizes have always been computed (x >= 1).
std::int32_t UpPowerOfTwo(std::int32_t x);

// Final thumbnail size of a width x height image under the largest side
// thumbSize (ThumbTextureSize); both sides powers of two, at least 4.
QSize ThumbnailSize(std::int32_t width, std::int32_t height, std::int32_t thumbSize);

// A new thumbnail of ThumbnailSize(); null for an empty source. The image is
// averaged down into min(w, W) x min(h, H), then stretched by replication
// when that is not yet the final size.
TBitmap MakeThumbnail(const TBitmap& source, std::int32_t thumbSize);

// Averages source into the already sized destination (no larger than the
// source on either side), then sharpens it in place when both sides are at
// least 3.
void ShrinkBitmap(const TBitmap& source, TBitmap& destination);

// Fills destination with source by pixel replication: each target pixel
// copies the source pixel under its centre. No smoothing.
void StretchBitmap(const TBitmap& source, TBitmap& destination);

// Exchanges the first and third byte of every pixel, in place.
void SwapRedBlue(TBitmap& bitmap);

}  // namespace glimr
