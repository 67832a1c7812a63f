#include "viewer/rows24.h"

#include <QTransform>

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

QImage TurnAndMirror(QImage image, double angle, bool mirrorLeftRight, bool mirrorTopBottom) {
  if (image.isNull())
    return image;
  if (angle == 90.0 || angle == 270.0) {
    // QTransform gives exact sines for whole quarter turns, and Qt turns
    // such images by moving pixels, keeping the format.
    image = image.transformed(QTransform().rotate(angle));
  } else if (angle == 180.0) {
    // A half turn is both mirrors at once, which Qt does in place.
    mirrorLeftRight = !mirrorLeftRight;
    mirrorTopBottom = !mirrorTopBottom;
  }
  if (mirrorLeftRight || mirrorTopBottom)
    image = std::move(image).mirrored(mirrorLeftRight, mirrorTopBottom);
  return image;
}

QImage BoxReduceRows(const QImage& image, int factor) {
  if (factor <= 1 || image.isNull())
    return image;
  const int w = image.width() / factor;
  const int h = image.height() / factor;
  QImage reduced = NewImage24(w, h);
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
