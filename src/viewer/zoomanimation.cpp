#include "viewer/zoomanimation.h"

#include "common/numeric.h"

namespace glimr {

namespace {
int Round(double v) {
  return static_cast<int>(RoundHalfEven(v));
}
}  // namespace

void TZoomAnimation::Start(const TScreenRect& start, const TScreenRect& target) {
  start_ = start;
  target_ = target;
  current_ = {double(start.Left), double(start.Top), double(start.Right), double(start.Bottom)};
  step_ = {(target.Left - start.Left) / 10.0, (target.Top - start.Top) / 10.0,
           (target.Right - start.Right) / 10.0, (target.Bottom - start.Bottom) / 10.0};
  counter_ = 0;
  animating_ = true;
}

bool TZoomAnimation::Tick() {
  ++counter_;
  if (counter_ <= kGrowSteps) {
    current_.Left += step_.Left;
    current_.Top += step_.Top;
    current_.Right += step_.Right;
    current_.Bottom += step_.Bottom;
    if (counter_ == kGrowSteps) {
      // Ten additions of a tenth need not sum exactly; the last step lands on
      // the target so the final frame is placed to the pixel.
      current_ = {double(target_.Left), double(target_.Top), double(target_.Right),
                  double(target_.Bottom)};
    }
    return animating_;
  }
  if (counter_ >= kLastTick)
    animating_ = false;
  return false;
}

QSize TZoomAnimation::FirstFrameSize() const {
  return QSize(start_.Width() + 2 * kZoomBorder, start_.Height() + kZoomTitle + kZoomBorder);
}

QSize TZoomAnimation::FrameSize() const {
  return QSize(Round(current_.Right - current_.Left) + 2 * kZoomBorder + 1,
               Round(current_.Bottom - current_.Top) + kZoomTitle + kZoomBorder + 1);
}

QPoint TZoomAnimation::FrameOrigin() const {
  return QPoint(Round(current_.Left - target_.Left), Round(current_.Top - target_.Top));
}

QRect TZoomAnimation::BlendRegion() const {
  const QPoint origin = FrameOrigin();
  const QPoint last(Round(current_.Right - target_.Left) + 2 * kZoomBorder - 1,
                    Round(current_.Bottom - target_.Top) + kZoomTitle + kZoomBorder - 1);
  return QRect(origin, last);
}

}  // namespace glimr
