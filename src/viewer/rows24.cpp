#include "viewer/rows24.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace glimr {

namespace {

constexpr int kPixel = 3;

inline uchar* PixelAt(QImage& image, int x, int y) {
  return image.scanLine(y) + x * kPixel;
}
inline const uchar* PixelAt(const QImage& image, int x, int y) {
  return image.constScanLine(y) + x * kPixel;
}

// Both weighted sums below are even before the division by ten, so they can
// never land on a half: adding 5 rounds them exactly as halves-to-even would.
inline uchar Mix64(uchar destination, uchar source) {
  return static_cast<uchar>((6 * destination + 4 * source + 5) / 10);
}
inline uchar Mix28(uchar target, uchar image) {
  return static_cast<uchar>((2 * target + 8 * image + 5) / 10);
}

}  // namespace

QImage NewBitmap24(int width, int height) {
  if (width <= 0 || height <= 0)
    return {};
  QImage image(width, height, QImage::Format_BGR888);
  if (!image.isNull())
    image.fill(Qt::black);
  return image;
}

bool IsUsableBitmap(const GlimrBitmap* bitmap) {
  return bitmap != nullptr && bitmap->bits != nullptr &&
         glimr_size_acceptable(bitmap->width, bitmap->height) &&
         bitmap->bytes_per_row >= glimr_bytes_per_row(bitmap->width);
}

QImage CopyGlimrBitmap(const GlimrBitmap& bitmap) {
  if (!IsUsableBitmap(&bitmap))
    return {};
  QImage image(bitmap.width, bitmap.height, QImage::Format_BGR888);
  if (image.isNull())
    return {};
  const size_t rowBytes = static_cast<size_t>(bitmap.width) * kPixel;
  for (int y = 0; y < bitmap.height; ++y) {
    std::memcpy(image.scanLine(y),
                bitmap.bits + static_cast<size_t>(y) * static_cast<size_t>(bitmap.bytes_per_row),
                rowBytes);
  }
  return image;
}

QImage RotateRows(const QImage& image, double angle) {
  const bool quarter = angle == 90.0;
  const bool threeQuarters = angle == 270.0;
  if ((!quarter && !threeQuarters) || image.isNull())
    return image;
  const int w = image.width();
  const int h = image.height();
  QImage turned(h, w, QImage::Format_BGR888);
  if (turned.isNull())
    return {};
  for (int y = 0; y < h; ++y) {
    const uchar* src = image.constScanLine(y);
    for (int x = 0; x < w; ++x, src += kPixel) {
      // 90: new (H - 1 - y, x) = old (x, y); 270: new (y, W - 1 - x) = old (x, y).
      uchar* dst = quarter ? PixelAt(turned, h - 1 - y, x) : PixelAt(turned, y, w - 1 - x);
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
    }
  }
  return turned;
}

void MirrorLeftRight(QImage& image) {
  const int w = image.width();
  for (int y = 0; y < image.height(); ++y) {
    uchar* row = image.scanLine(y);
    for (int a = 0, b = w - 1; a < b; ++a, --b) {
      std::swap_ranges(row + a * kPixel, row + a * kPixel + kPixel, row + b * kPixel);
    }
  }
}

void MirrorTopBottom(QImage& image) {
  const size_t rowBytes = static_cast<size_t>(image.width()) * kPixel;
  std::vector<uchar> spare(rowBytes);
  for (int a = 0, b = image.height() - 1; a < b; ++a, --b) {
    uchar* top = image.scanLine(a);
    uchar* bottom = image.scanLine(b);
    std::memcpy(spare.data(), top, rowBytes);
    std::memcpy(top, bottom, rowBytes);
    std::memcpy(bottom, spare.data(), rowBytes);
  }
}

QImage TurnAndMirror(const QImage& image, double angle, bool mirrorLeftRight,
                     bool mirrorTopBottom) {
  QImage result = RotateRows(image, angle);
  if (angle == 180.0) {
    mirrorLeftRight = !mirrorLeftRight;
    mirrorTopBottom = !mirrorTopBottom;
  }
  if (mirrorLeftRight)
    MirrorLeftRight(result);
  if (mirrorTopBottom)
    MirrorTopBottom(result);
  return result;
}

QImage BoxReduceRows(const QImage& image, int factor) {
  if (factor <= 1 || image.isNull())
    return image;
  const int w = image.width() / factor;
  const int h = image.height() / factor;
  QImage reduced = NewBitmap24(w, h);
  if (reduced.isNull())
    return {};
  std::vector<quint32> sums(static_cast<size_t>(w) * kPixel);
  const quint32 area = static_cast<quint32>(factor) * static_cast<quint32>(factor);
  for (int y = 0; y < h; ++y) {
    std::fill(sums.begin(), sums.end(), 0u);
    for (int dy = 0; dy < factor; ++dy) {
      const uchar* src = image.constScanLine(y * factor + dy);
      for (int x = 0; x < w; ++x) {
        quint32* sum = &sums[static_cast<size_t>(x) * kPixel];
        for (int dx = 0; dx < factor; ++dx, src += kPixel) {
          sum[0] += src[0];
          sum[1] += src[1];
          sum[2] += src[2];
        }
      }
    }
    uchar* dst = reduced.scanLine(y);
    for (size_t i = 0; i < sums.size(); ++i) {
      dst[i] = static_cast<uchar>((sums[i] + area / 2) / area);
    }
  }
  return reduced;
}

void StretchRows(QImage& destination, const QRect& target, const QImage& source) {
  if (target.isEmpty() || source.isNull())
    return;
  const QRect clip = target.intersected(destination.rect());
  if (clip.isEmpty())
    return;
  const int sw = source.width();
  const int sh = source.height();
  std::vector<int> columns(static_cast<size_t>(clip.width()));
  for (int x = clip.left(); x <= clip.right(); ++x) {
    const qint64 sx = static_cast<qint64>(x - target.left()) * sw / target.width();
    columns[static_cast<size_t>(x - clip.left())] = static_cast<int>(sx) * kPixel;
  }
  for (int y = clip.top(); y <= clip.bottom(); ++y) {
    const qint64 sy = static_cast<qint64>(y - target.top()) * sh / target.height();
    const uchar* src = source.constScanLine(static_cast<int>(sy));
    uchar* dst = PixelAt(destination, clip.left(), y);
    if (sw == target.width()) {
      std::memcpy(dst, src + columns[0], static_cast<size_t>(clip.width()) * kPixel);
      continue;
    }
    for (int offset : columns) {
      dst[0] = src[offset];
      dst[1] = src[offset + 1];
      dst[2] = src[offset + 2];
      dst += kPixel;
    }
  }
}

void DrawRows(QImage& destination, int x, int y, const QImage& source) {
  const QRect clip = QRect(x, y, source.width(), source.height()).intersected(destination.rect());
  if (clip.isEmpty())
    return;
  const size_t bytes = static_cast<size_t>(clip.width()) * kPixel;
  for (int row = clip.top(); row <= clip.bottom(); ++row) {
    std::memcpy(PixelAt(destination, clip.left(), row), PixelAt(source, clip.left() - x, row - y),
                bytes);
  }
}

void BlendRows(QImage& destination, const QRect& region, const QImage& source, int originX,
               int originY) {
  const QRect sourceArea(originX, originY, source.width(), source.height());
  const QRect clip = region.intersected(destination.rect()).intersected(sourceArea);
  if (clip.isEmpty())
    return;
  const int bytes = clip.width() * kPixel;
  for (int row = clip.top(); row <= clip.bottom(); ++row) {
    uchar* dst = PixelAt(destination, clip.left(), row);
    const uchar* src = PixelAt(source, clip.left() - originX, row - originY);
    for (int i = 0; i < bytes; ++i)
      dst[i] = Mix64(dst[i], src[i]);
  }
}

void FadeRowsToward(QImage& image, const QImage& target) {
  const int h = std::min(image.height(), target.height());
  const int bytes = std::min(image.width(), target.width()) * kPixel;
  for (int row = 0; row < h; ++row) {
    uchar* dst = image.scanLine(row);
    const uchar* src = target.constScanLine(row);
    for (int i = 0; i < bytes; ++i)
      dst[i] = Mix28(src[i], dst[i]);
  }
}

}  // namespace glimr
