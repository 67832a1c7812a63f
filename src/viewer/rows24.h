#pragma once
// Pixel work on 24-bit bitmaps held as QImage::Format_BGR888: three bytes per
// pixel in blue-green-red order, rows top-down, each row padded to 4 bytes (the
// same layout as a plug-in's GlimrBitmap). The averaging and blending work on
// raw rows, with their own rounding; turns and mirrors are Qt's.

#include <QImage>
#include <QRect>

#include "imaging/scaler.h"

namespace glimr {

// The turn and the mirrors the ribbon shows for an image: a turn by exactly
// 90 (clockwise), 180 or 270 degrees (any other angle turns nothing), then
// the mirrors. A W x H image becomes H x W after a quarter turn. An image
// handed over as the only copy is mirrored in place.
QImage TurnAndMirror(QImage image, double angle, bool mirrorLeftRight, bool mirrorTopBottom);

// Shrinks by a whole factor (>= 1), each pixel the average of a factor x
// factor block; the right and bottom remainders are dropped.
QImage BoxReduceRows(const QImage& image, int factor);

// Stretches source into target (nearest pixel); parts of target outside the
// destination are skipped.
void StretchRows(QImage& destination, const QRect& target, const QImage& source);

// Copies source opaquely with its top-left corner at (x, y), clipped.
void DrawRows(QImage& destination, int x, int y, const QImage& source);

// For each destination pixel in region (clipped to destination), each byte
// becomes round(0.6 * destination + 0.4 * source), the source pixel taken at
// (x - originX, y - originY); pixels whose source lies outside source are kept.
void BlendRows(QImage& destination, const QRect& region, const QImage& source, int originX,
               int originY);

// Each byte of image becomes round(0.2 * target + 0.8 * image); both images
// have the same size.
void FadeRowsToward(QImage& image, const QImage& target);

}  // namespace glimr
