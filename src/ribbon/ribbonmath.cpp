#include "ribbon/ribbonmath.h"

#include "common/appcontext.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/numeric.h"

namespace glimr {

TViewport ViewportFor(int w, int h) {
  TViewport v;
  if (w <= 0 || h <= 0) {
    return v;
  }
  // The ratio test runs in extended precision as the aspect constants do.
  const long double ratio = static_cast<long double>(h) / static_cast<long double>(w);
  if (ratio < static_cast<long double>(kViewRatio)) {
    v.Height = h;
    v.Width = static_cast<int>(RoundHalfEven(static_cast<double>(h * 1.90476L)));
  } else {
    v.Width = w;
    v.Height = static_cast<int>(RoundHalfEven(static_cast<double>(w * 0.525L)));
  }
  v.X = (w - v.Width) / 2;
  v.Y = (h - v.Height) / 2;
  return v;
}

double TurnAngle(double d, bool leftSide) {
  const double a = d >= 2.0 ? 45.0 : d / 2.0 * 45.0;
  return leftSide ? a : -a;
}

double DepthDim(double d) {
  return 1.0 - d * 0.175 / 2.0;
}

THalfExtents HalfExtents(double aspect, double size) {
  THalfExtents e;
  if (aspect > 1.0) {
    e.Hw = 1.0;
    e.Hh = 1.0 / aspect;
  } else {
    e.Hw = aspect;
    e.Hh = 1.0;
  }
  e.Hw *= size;
  e.Hh *= size;
  return e;
}

double Lift(THalfExtents e, double angleZ) {
  const double r = std::sqrt(e.Hw * e.Hw + e.Hh * e.Hh) + 0.175;
  const double q = std::fabs(angleZ) / 180.0;
  const double g = static_cast<double>(RoundHalfEven((q - std::floor(q)) * 180.0));
  const double a = std::fabs(g - 90.0);
  if (a > 45.0) {
    return e.Hh + (90.0 - a) / 45.0 * (r - e.Hh);
  }
  return e.Hh + (r - e.Hw) * a / 45.0 + (e.Hw - e.Hh);
}

double GradientFactor(double angleZ, double k, double angleX) {
  double t = (std::cos((angleZ + k) * std::numbers::pi / 180.0) + 1.0) / 2.0;
  if (angleX > 90.0 && angleX < 270.0) {
    t = 1.0 - t;
  }
  return t;
}

double ThumbSizeFactor(int w, int h) {
  const int m = h < w ? w : h;
  if (m <= 256) {
    return std::max(m / 256.0, 0.3);
  }
  return 1.0;
}

double FadeFactor(int state, int counter) {
  if (state == 5) {
    return (7 - counter) / 6.0;
  }
  if (state == 6) {
    return (counter - 1) / 6.0;
  }
  return 1.0;
}

double FrameZOffset(double angleX, double angleY) {
  const bool backX = angleX >= 90.0 && angleX <= 270.0;
  const bool backY = angleY >= 90.0 && angleY <= 270.0;
  return backX != backY ? -0.00001 : 0.00001;
}

std::array<double, kPathLength> EasedPath(double viewPosition, int targetIndex) {
  std::array<double, kPathLength> path{};
  const double delta = 2.0 * targetIndex - viewPosition;
  for (int i = 0; i < kPathLength; ++i) {
    const double u = (kPathLength - 1 - i) * (1.0 / kPathLength);
    path[i] = viewPosition + (1.0 - u * u * u * u) * delta;
  }
  return path;
}

TIndexStep NewCurrentIndex(int current, double position, double viewPosition, int count,
                           const TWidthOf& width) {
  int i = current;
  double p = position;
  if (viewPosition >= p) {
    while (i < count - 1 && p + width(i + 1) <= viewPosition) {
      p += width(i + 1);
      ++i;
    }
  } else {
    // Steps back at least once; stops at entry -1 so no width before the
    // list is asked for.
    do {
      p -= width(i);
      --i;
    } while (p > viewPosition && i >= 0);
  }
  return {i, p};
}

std::array<TSlotPlace, kSlotCount> LayoutSlots(int current, double position, double viewPosition,
                                               int count, const TWidthOf& width) {
  std::array<TSlotPlace, kSlotCount> places{};
  if (count <= 0 || current < 0 || current >= count) {
    return places;
  }
  double x = position;
  for (int s = 0; s < 5 && current - s >= 0; ++s) {
    if (s > 0) {
      x -= width(current - s + 1);
    }
    TSlotPlace& p = places[kCentreSlot - s];
    p = PlaceFromPosition(kCentreSlot - s, x, viewPosition);
  }
  x = position;
  for (int m = 1; m < 5 && current + m < count; ++m) {
    x += width(current + m);
    places[kCentreSlot + m] = PlaceFromPosition(kCentreSlot + m, x, viewPosition);
  }
  return places;
}

TSlotPlace PlaceFromPosition(int slot, double x, double viewPosition) {
  TSlotPlace p;
  p.LaidOut = true;
  p.LeftSide = slot <= kCentreSlot;
  p.X = x;
  p.D = p.LeftSide ? viewPosition - x : x - viewPosition;
  p.Angle = TurnAngle(p.D, p.LeftSide);
  p.Dim = DepthDim(p.D);
  return p;
}

std::array<int, kSlotCount> HaloOrder(double x4, double x5, double viewPosition) {
  if ((x5 - viewPosition) > (viewPosition - x4)) {
    return {0, 1, 2, 3, 8, 7, 6, 5, 4};
  }
  return {0, 1, 2, 3, 8, 7, 6, 4, 5};
}

int SlotEntry(int current, int count, int slot) {
  const int e = current + slot - kCentreSlot;
  return e >= 0 && e < count ? e : -1;
}

TShiftPlan ShiftPlan(int delta) {
  TShiftPlan plan;
  for (int k = 0; k < kSlotCount; ++k) {
    plan.From[k] = k;
  }
  if (delta == 0) {
    return plan;
  }
  if (delta >= kSlotCount || delta <= -kSlotCount) {
    plan.RebuildAll = true;
    for (int k = 0; k < kSlotCount; ++k) {
      plan.Exposed.push_back(k);
    }
    return plan;
  }
  for (int k = 0; k < kSlotCount; ++k) {
    plan.From[k] = ((k + delta) % kSlotCount + kSlotCount) % kSlotCount;
  }
  if (delta > 0) {
    for (int k = kSlotCount - delta; k < kSlotCount; ++k) {
      plan.Exposed.push_back(k);
    }
  } else {
    for (int k = 0; k < -delta; ++k) {
      plan.Exposed.push_back(k);
    }
  }
  return plan;
}

int ShiftHovered(int hovered, int delta) {
  if (delta > 0 && delta < kSlotCount) {
    const int h = hovered - delta;
    return h < 1 ? -1 : h;
  }
  if (delta < 0 && delta > -kSlotCount && hovered > 0) {
    const int h = hovered - delta;
    return h > kSlotCount ? -1 : h;
  }
  return hovered;
}

bool ZoomTick(TZoom& z) {
  if (z.StepsLeft >= 10) {
    return false;
  }
  z.Zoom += z.Step;
  z.StepsLeft += 1;
  if (z.Zoom < kZoomMin) {
    z.Zoom = kZoomMin;
    z.StepsLeft = 10;
  } else if (z.Zoom > kZoomMax) {
    z.Zoom = kZoomMax;
    z.StepsLeft = 10;
  }
  return true;
}

bool ZoomWheel(TZoom& z, int wheelDelta) {
  if (z.StepsLeft < 10) {
    return false;
  }
  z.Step = wheelDelta * 0.2 / 120.0 / 10.0;
  z.StepsLeft = 0;
  return true;
}

int WheelRow(int target, int count, int wheelDelta) {
  if (count <= 0) {
    return -1;
  }
  int n = wheelDelta / 120;
  if (target + n > count - 1) {
    n = count - 1 - target;
  }
  if (target + n < 0) {
    n = -target;
  }
  return n == 0 ? -1 : target + n;
}

double RotateStep(bool right, bool flipAboutX, bool flipAboutY) {
  const double s = flipAboutX == flipAboutY ? 4.5 : -4.5;
  return right ? s : -s;
}

const std::array<double, 20>& RibbonEaseTable() {
  // The application's table, computed once; the ribbon only reads it.
  static const TEaseTable table = MakeEaseTable();
  return table;
}

double WrapAngle(double a) {
  if (a >= 360.0) {
    return a - 360.0;
  }
  if (a < 0.0) {
    return a + 360.0;
  }
  return a;
}

}  // namespace glimr
