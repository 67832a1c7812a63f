#pragma once
// Plug-in bitmaps for the viewer tests, adopted the way decoded images are,
// and a stand-in for the decoder plug-ins built on Qt's image readers.

#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstring>

#include "glimr_plugin.h"
#include "imaging/plugin.h"

namespace glimr::test {

// A plug-in bitmap (one malloc block, BGR rows top-down) holding image, as
// the decoder hands it on.
inline QImage BitmapFromImage(const QImage& image) {
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  GlimrBitmap* b = glimr_bitmap_alloc(bgr.width(), bgr.height());
  if (!b)
    return {};
  for (int y = 0; y < bgr.height(); ++y) {
    std::memcpy(b->bits + static_cast<size_t>(y) * b->bytes_per_row, bgr.constScanLine(y),
                static_cast<size_t>(bgr.width()) * 3);
  }
  return AdoptPluginBitmap(b);
}

// Decodes a file the way a format plug-in would, through Qt's readers.
inline QImage DecodeWithQt(const QString& path) {
  QImageReader reader(path);
  reader.setAllocationLimit(0);
  const QImage image = reader.read();
  return image.isNull() ? QImage() : BitmapFromImage(image);
}

// A bitmap that claims the given header fields (for damaged decoder output),
// as the decoder hands it on.
inline QImage RawBitmap(int width, int height, int bytesPerRow) {
  auto* b = static_cast<GlimrBitmap*>(std::calloc(1, sizeof(GlimrBitmap) + 64));
  b->width = width;
  b->height = height;
  b->bytes_per_row = bytesPerRow;
  b->bits = reinterpret_cast<unsigned char*>(b + 1);
  return AdoptPluginBitmap(b);
}

}  // namespace glimr::test
