#include "imaging/cache/undecodablethumb.h"

#include <cmath>

namespace glimr {

namespace {

struct TRgb {
  std::uint8_t R, G, B;
};

constexpr TRgb kBackground{128, 128, 128};
constexpr TRgb kPaper{212, 212, 212};
constexpr TRgb kFrame{64, 64, 64};
constexpr TRgb kHill{96, 96, 96};
constexpr TRgb kSun{232, 168, 56};

// The picture as a function of the tile's unit square; every size draws the
// same figure. The picture is torn along a zigzag and its right part slips
// down and to the right, with a gap of background between the parts.
TRgb Colour(double u, double v) {
  constexpr double left = 0.20, top = 0.26, right = 0.76, bottom = 0.72;
  constexpr double frame = 0.025;
  constexpr double slip = 0.035;
  constexpr double gap = 0.018;
  // Triangle wave across the height: the tear's centre line.
  const double phase = std::fmod(v * 6.0, 2.0);
  const double tear = 0.48 + 0.05 * (std::abs(phase - 1.0) * 2.0 - 1.0);
  if (std::abs(u - tear) < gap) {
    return kBackground;
  }
  if (u > tear) {
    u -= slip;
    v -= slip;
  }
  if (u < left || u > right || v < top || v > bottom) {
    return kBackground;
  }
  if (u < left + frame || u > right - frame || v < top + frame || v > bottom - frame) {
    return kFrame;
  }
  const double su = u - 0.34, sv = v - 0.38;
  if (su * su + sv * sv < 0.055 * 0.055) {
    return kSun;
  }
  // A hill whose peak sits under the tear, rising from the bottom edge.
  if (v > 0.45 + std::abs(u - 0.52) * 1.1) {
    return kHill;
  }
  return kPaper;
}

std::int32_t PowerOfTwoAtLeast(std::int32_t n) {
  std::int32_t side = 4;
  while (side < n && side < (1 << 14)) {
    side *= 2;
  }
  return side;
}

}  // namespace

QImage MakeUndecodableThumb(std::int32_t thumbSize) {
  const std::int32_t side = PowerOfTwoAtLeast(thumbSize);
  // Every pixel is drawn, and a power-of-two row of at least 4 pixels has
  // no padding.
  QImage tile(side, side, QImage::Format_RGB888);
  if (tile.isNull()) {
    return tile;
  }
  for (std::int32_t y = 0; y < side; ++y) {
    std::uint8_t* p = tile.scanLine(y);
    const double v = (y + 0.5) / side;
    for (std::int32_t x = 0; x < side; ++x, p += 3) {
      const TRgb c = Colour((x + 0.5) / side, v);
      p[0] = c.R;
      p[1] = c.G;
      p[2] = c.B;
    }
  }
  return tile;
}

}  // namespace glimr
