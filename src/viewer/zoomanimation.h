#pragma once
// The zoom window's growth animation as plain state: ten growth steps from the
// thumbnail's rectangle to the target, five ticks holding the final frame,
// and the end on the sixteenth tick of the 10 ms timer.

#include <QPoint>
#include <QRect>
#include <QSize>

#include "viewer/zoomgeometry.h"

namespace glimr {

struct TZoomRectF {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;
};

class TZoomAnimation {
 public:
  static constexpr int kGrowSteps = 10;
  static constexpr int kLastTick = 16;

  void Start(const TScreenRect& start, const TScreenRect& target);

  // One timer tick. Returns true when the frame has to be composed again at
  // FrameSize(); Animating() turns false on the last tick.
  bool Tick();

  bool Animating() const { return animating_; }
  int Counter() const { return counter_; }
  const TZoomRectF& Current() const { return current_; }
  const TScreenRect& Target() const { return target_; }

  // Size of the first frame image, made before the first tick.
  QSize FirstFrameSize() const;
  // Size of the frame image for the current rectangle.
  QSize FrameSize() const;
  // The frame image's top-left corner in window coordinates; it puts the
  // frame's image area exactly on the current rectangle.
  QPoint FrameOrigin() const;
  // Window pixels that a growth step blends the frame into.
  QRect BlendRegion() const;
  // Growth steps blend the frame into the background (a fading trail); the
  // holding ticks draw it opaquely.
  bool Blends() const { return counter_ <= kGrowSteps; }

  void Stop() { animating_ = false; }

 private:
  TScreenRect start_;
  TScreenRect target_;
  TZoomRectF current_;
  TZoomRectF step_;
  int counter_ = 0;
  bool animating_ = false;
};

}  // namespace glimr
