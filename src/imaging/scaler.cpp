#include "imaging/scaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/numeric.h"
#include "glimr_plugin.h"

namespace glimr {

namespace {

bool Is24Bit(const QImage& image) {
  return image.format() == QImage::Format_BGR888 || image.format() == QImage::Format_RGB888;
}

// The rows of an image as a base pointer and a stride: the loops below
// address a row per pixel block and must not pay a library call for each.
template <typename Byte>
struct TRows {
  Byte* Bits;
  qsizetype Stride;
  std::int32_t Width;
  std::int32_t Height;

  Byte* Row(std::int32_t y) const { return Bits + static_cast<qsizetype>(y) * Stride; }
  Byte* Pixel(std::int32_t x, std::int32_t y) const { return Row(y) + 3 * x; }
};

TRows<const std::uint8_t> ReadRows(const QImage& image) {
  return {image.constBits(), image.bytesPerLine(), image.width(), image.height()};
}

// Writable rows; the image must not share its data (a fresh image), or
// bits() would copy it first.
TRows<std::uint8_t> WriteRows(QImage& image) {
  return {image.bits(), image.bytesPerLine(), image.width(), image.height()};
}

// Spans of source columns (or rows) per destination column: the difference
// of truncated multiples of the float factor, products in extended
// precision. Their sum can fall one short of the source side; it never
// exceeds it, and the clamp only guards against a factor rounded upward.
std::vector<std::int32_t> Spans(std::int32_t destination, std::int32_t source) {
  const float factor = static_cast<float>(
      1.0L / (static_cast<long double>(destination) / static_cast<long double>(source)));
  std::vector<std::int32_t> spans(static_cast<std::size_t>(destination));
  std::int64_t used = 0;
  for (std::int32_t i = 0; i < destination; ++i) {
    const auto before = static_cast<std::int64_t>(std::trunc(static_cast<long double>(i) * factor));
    const auto after =
        static_cast<std::int64_t>(std::trunc(static_cast<long double>(i + 1) * factor));
    std::int64_t span = std::max<std::int64_t>(after - before, 1);
    span = std::min<std::int64_t>(span, std::max<std::int64_t>(source - used, 0));
    spans[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(span);
    used += span;
  }
  return spans;
}

void Sharpen(const TRows<std::uint8_t>& d) {
  const std::int32_t w = d.Width, h = d.Height;
  if (w < 3 || h < 3)
    return;
  // In place, top to bottom: the row above has already been sharpened when
  // it is read, the row below not yet. The thumbnails depend on this order.
  for (std::int32_t y = 1; y <= h - 2; ++y) {
    const std::uint8_t* above = d.Row(y - 1);
    std::uint8_t* row = d.Row(y);
    const std::uint8_t* below = d.Row(y + 1);
    for (std::int32_t x = 1; x <= w - 2; ++x) {
      for (int c = 0; c < 3; ++c) {
        const int centre = row[3 * x + c];
        const int diagonals = above[3 * (x - 1) + c] + above[3 * (x + 1) + c] +
                              below[3 * (x - 1) + c] + below[3 * (x + 1) + c];
        const int v = (12 * centre - diagonals) / 8;  // truncates toward zero
        row[3 * x + c] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
      }
    }
  }
}

}  // namespace

std::int32_t UpPowerOfTwo(std::int32_t x) {
  const double v = std::log2(static_cast<double>(x));
  auto e = static_cast<std::int32_t>(std::trunc(v));
  if (static_cast<double>(e) != v)
    ++e;
  return static_cast<std::int32_t>(std::ldexp(1.0, e));
}

QSize ThumbnailSize(std::int32_t w, std::int32_t h, std::int32_t thumbSize) {
  if (w <= 0 || h <= 0 || thumbSize <= 0)
    return QSize(0, 0);
  const std::int32_t L = thumbSize;
  std::int32_t W, H;
  if (w > h) {
    W = w < 4 ? 4 : UpPowerOfTwo(std::min(w, L));
    const double r = static_cast<double>(h) / static_cast<double>(w);
    auto h0 = static_cast<std::int32_t>(RoundHalfEven(W * r));
    if (h0 < 4)
      h0 = 4;
    H = UpPowerOfTwo(std::min(h0, L));
  } else {
    H = h < 4 ? 4 : UpPowerOfTwo(std::min(h, L));
    const double r = static_cast<double>(w) / static_cast<double>(h);
    auto w0 = static_cast<std::int32_t>(RoundHalfEven(H * r));
    if (w0 < 4)
      w0 = 4;
    W = UpPowerOfTwo(std::min(w0, L));
  }
  return QSize(W, H);
}

QImage NewImage24(std::int32_t width, std::int32_t height, QImage::Format format) {
  if (!glimr_size_acceptable(width, height))
    return {};
  QImage image(width, height, format);
  if (!image.isNull())
    std::memset(image.bits(), 0, static_cast<std::size_t>(image.sizeInBytes()));
  return image;
}

QImage MakeThumbnail(const QImage& source, std::int32_t thumbSize) {
  return MakeThumbnail(source, source.size(), thumbSize);
}

QImage MakeThumbnail(const QImage& source, QSize full, std::int32_t thumbSize) {
  if (!Is24Bit(source))
    return {};
  const QSize size = ThumbnailSize(full.width(), full.height(), thumbSize);
  if (size.isEmpty())
    return {};
  QImage intermediate = NewImage24(std::min(source.width(), size.width()),
                                   std::min(source.height(), size.height()), source.format());
  if (intermediate.isNull())
    return {};
  ShrinkBitmap(source, intermediate);
  if (intermediate.size() == size)
    return intermediate;
  QImage thumb = NewImage24(size.width(), size.height(), source.format());
  if (thumb.isNull())
    return {};
  StretchBitmap(intermediate, thumb);
  return thumb;
}

void ShrinkBitmap(const QImage& source, QImage& destination) {
  if (!Is24Bit(source) || !Is24Bit(destination) || destination.width() > source.width() ||
      destination.height() > source.height())
    return;
  const TRows<const std::uint8_t> s = ReadRows(source);
  const TRows<std::uint8_t> d = WriteRows(destination);
  const std::int32_t dw = d.Width, dh = d.Height;
  const std::vector<std::int32_t> cx = Spans(dw, s.Width);
  const std::vector<std::int32_t> cy = Spans(dh, s.Height);
  std::int32_t sy = 0;
  for (std::int32_t j = 0; j < dh; ++j) {
    const std::int32_t rows = cy[static_cast<std::size_t>(j)];
    std::uint8_t* out = d.Row(j);
    std::int32_t sx = 0;
    for (std::int32_t i = 0; i < dw; ++i) {
      const std::int32_t cols = cx[static_cast<std::size_t>(i)];
      std::uint32_t b = 0, g = 0, r = 0;
      for (std::int32_t y = sy; y < sy + rows; ++y) {
        const std::uint8_t* p = s.Pixel(sx, y);
        for (std::int32_t x = 0; x < cols; ++x, p += 3) {
          b += p[0];
          g += p[1];
          r += p[2];
        }
      }
      const std::uint32_t n = static_cast<std::uint32_t>(cols) * static_cast<std::uint32_t>(rows);
      if (n == 0) {
        out += 3;  // only when the clamp ran out of source: leave it black
        continue;
      }
      // 65535 / n rather than 65536 / n: a one-pixel block of value v stores
      // v - 1; kept so new thumbnails match the ones already stored.
      const std::uint32_t k = 65535u / n;
      *out++ = static_cast<std::uint8_t>((b * k) >> 16);
      *out++ = static_cast<std::uint8_t>((g * k) >> 16);
      *out++ = static_cast<std::uint8_t>((r * k) >> 16);
      sx += cols;
    }
    sy += rows;
  }
  Sharpen(d);
}

void StretchBitmap(const QImage& source, QImage& destination) {
  if (!Is24Bit(source) || !Is24Bit(destination))
    return;
  const TRows<const std::uint8_t> s = ReadRows(source);
  const TRows<std::uint8_t> d = WriteRows(destination);
  const std::int64_t sw = s.Width, sh = s.Height, dw = d.Width, dh = d.Height;
  std::vector<std::int32_t> columns(static_cast<std::size_t>(dw));
  for (std::int64_t x = 0; x < dw; ++x) {
    columns[static_cast<std::size_t>(x)] = static_cast<std::int32_t>(((2 * x + 1) * sw) / (2 * dw));
  }
  for (std::int64_t y = 0; y < dh; ++y) {
    const std::uint8_t* in = s.Row(static_cast<std::int32_t>(((2 * y + 1) * sh) / (2 * dh)));
    std::uint8_t* out = d.Row(static_cast<std::int32_t>(y));
    for (std::int64_t x = 0; x < dw; ++x, out += 3) {
      const std::uint8_t* p = in + 3 * columns[static_cast<std::size_t>(x)];
      out[0] = p[0];
      out[1] = p[1];
      out[2] = p[2];
    }
  }
}

void SwapRedBlue(QImage& image) {
  if (!Is24Bit(image))
    return;
  const TRows<std::uint8_t> rows = WriteRows(image);
  for (std::int32_t y = 0; y < rows.Height; ++y) {
    std::uint8_t* p = rows.Row(y);
    for (std::int32_t x = 0; x < rows.Width; ++x, p += 3)
      std::swap(p[0], p[2]);
  }
  image.reinterpretAsFormat(image.format() == QImage::Format_BGR888 ? QImage::Format_RGB888
                                                                    : QImage::Format_BGR888);
}

}  // namespace glimr
