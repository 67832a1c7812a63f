#include "viewer/loadingdots.h"

#include "common/numeric.h"
#include "viewer/rows24.h"

namespace glimr {

void TickDots(TDotCounters& counters) {
  for (int& c : counters) {
    --c;
    if (c <= 0)
      c = 20;
  }
}

double DotIntensity(int counter) {
  if (counter >= 1 && counter <= 20)
    return 0.1 + 0.045 * counter;
  return 0.1;
}

QImage PaintDots(const QImage& background, const QImage& dot, const TDotCounters& counters) {
  QImage bitmap = NewImage24(background.width(), background.height());
  if (bitmap.isNull() || dot.isNull())
    return bitmap;
  for (int i = 0; i < static_cast<int>(counters.size()); ++i) {
    const double e = DotIntensity(counters[static_cast<size_t>(i)]);
    const QRect area = QRect(10 + 30 * i, 10, dot.width(), dot.height()).intersected(bitmap.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
      uchar* dst = bitmap.scanLine(y) + area.left() * 3;
      const uchar* under = background.constScanLine(y) + area.left() * 3;
      const uchar* src = dot.constScanLine(y - 10) + (area.left() - 10 - 30 * i) * 3;
      for (int k = 0; k < area.width() * 3; ++k) {
        dst[k] = static_cast<uchar>(RoundHalfEven((1.0 - e) * under[k] + e * src[k]));
      }
    }
  }
  return bitmap;
}

}  // namespace glimr
