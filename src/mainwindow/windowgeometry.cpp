#include "mainwindow/windowgeometry.h"

#include <algorithm>

namespace glimr {

namespace {

using i64 = std::int64_t;

// A rectangle in 64 bits: stored values near the int limits would overflow
// QRect's right() and bottom().
struct TBox {
  i64 left = 0;
  i64 top = 0;
  i64 width = 0;
  i64 height = 0;
};

i64 Overlap(i64 a0, i64 aLen, i64 b0, i64 bLen) {
  return std::max<i64>(0, std::min(a0 + aLen, b0 + bLen) - std::max(a0, b0));
}

// Where a window of length len starts so that it lies within [lo, lo + room),
// moved as little as possible; at lo when it is longer than the room.
i64 FitStart(i64 start, i64 len, i64 lo, i64 room) {
  return std::max(lo, std::min(start, lo + room - len));
}

}  // namespace

void StoreWindowGeometry(TProgState& state, const QRect& clientGeometry) {
  if (!clientGeometry.isValid()) {
    return;  // nothing laid out yet: keep what was read
  }
  state.Left = clientGeometry.left();
  state.Top = clientGeometry.top();
  state.Width = clientGeometry.width();
  state.Height = clientGeometry.height();
}

QRect RestoredWindowGeometry(const TProgState& state, const QList<QRect>& availableAreas,
                             int primaryIndex, const QMargins& frame) {
  const TProgState designed;
  TBox w{state.Left, state.Top, state.Width, state.Height};
  if (w.width < 1 || w.height < 1) {
    w.width = designed.Width;
    w.height = designed.Height;
  }

  if (availableAreas.isEmpty()) {
    return QRect(static_cast<int>(w.left), static_cast<int>(w.top),
                 static_cast<int>(std::min<i64>(w.width, designed.Width)),
                 static_cast<int>(std::min<i64>(w.height, designed.Height)));
  }

  qsizetype chosen = -1;
  for (qsizetype i = 0; i < availableAreas.size() && chosen < 0; ++i) {
    const QRect& a = availableAreas[i];
    if (w.left >= a.left() && w.left < i64(a.left()) + a.width() && w.top >= a.top() &&
        w.top < i64(a.top()) + a.height()) {
      chosen = i;
    }
  }
  if (chosen < 0) {
    i64 best = 0;
    for (qsizetype i = 0; i < availableAreas.size(); ++i) {
      const QRect& a = availableAreas[i];
      const i64 area = Overlap(w.left, w.width, a.left(), a.width()) *
                       Overlap(w.top, w.height, a.top(), a.height());
      if (area > best) {
        best = area;
        chosen = i;
      }
    }
  }
  if (chosen < 0) {
    chosen = primaryIndex >= 0 && primaryIndex < availableAreas.size() ? primaryIndex : 0;
  }
  const QRect& a = availableAreas[chosen];

  // Room for the client area once the frame is inside the available area.
  const i64 roomW = std::max<i64>(1, i64(a.width()) - frame.left() - frame.right());
  const i64 roomH = std::max<i64>(1, i64(a.height()) - frame.top() - frame.bottom());
  w.width = std::min(w.width, roomW);
  w.height = std::min(w.height, roomH);
  w.left = FitStart(w.left, w.width, i64(a.left()) + frame.left(), roomW);
  w.top = FitStart(w.top, w.height, i64(a.top()) + frame.top(), roomH);
  return QRect(static_cast<int>(w.left), static_cast<int>(w.top), static_cast<int>(w.width),
               static_cast<int>(w.height));
}

TPanelSizes ClampPanelSizes(std::int32_t upHeight, std::int32_t leftWidth, std::int32_t rightWidth,
                            const QSize& area, int minCentreWidth, int minLowerHeight) {
  const i64 maxUp = std::max<i64>(0, i64(area.height()) - std::max(0, minLowerHeight));
  const i64 maxSides = std::max<i64>(0, i64(area.width()) - std::max(0, minCentreWidth));
  TPanelSizes out;
  out.UpHeight = static_cast<int>(std::clamp<i64>(upHeight, 0, maxUp));
  out.LeftWidth = static_cast<int>(std::clamp<i64>(leftWidth, 0, maxSides));
  out.RightWidth = static_cast<int>(std::clamp<i64>(rightWidth, 0, maxSides - out.LeftWidth));
  return out;
}

}  // namespace glimr
