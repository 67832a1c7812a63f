#pragma once
// Zoom and pan of the picture in the viewer as a value type: at what scale
// the picture is shown, which part of it the view holds, and where to paint
// it. The viewer widget keeps one, feeds it sizes and input, and paints the
// picture into ImageRect().

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <vector>

namespace glimr {

// The zoom steps between the smallest and the largest zoom, as scales
// (1.0 = 100 %). They run from 1/16 to 32 in steps of about x1.5, through
// the round values a user expects to land on (25 %, 50 %, 100 %, 200 %).
const std::vector<double>& ZoomStepTable();

// Limits of a free zoom; a picture whose fit is smaller still can always
// go back to its fit.
inline constexpr double kMinZoomScale = 1.0 / 16.0;
inline constexpr double kMaxZoomScale = 32.0;

// The scale that fits a picture of `picture` device pixels into a view of
// `view` device pixels. A picture smaller than the view is shown at 100 %,
// not blown up: enlarging a small picture only shows its pixels bigger and
// blurred, which nobody asked for. 1.0 for an empty picture or view.
double FitScale(const QSizeF& picture, const QSizeF& view);

// The zoom step from `scale` in direction `steps` (positive zooms in), over
// the step table with the picture's fit scale added, so that zooming out
// lands on the fit on its way. Stays at `scale` at the limits.
double StepZoom(double scale, double fitScale, int steps);

enum class TZoomMode {
  Fit,    // the whole picture in the view; follows resizes
  Zoomed  // a scale of the user's choosing, panned
};

class TViewTransform {
 public:
  // A new picture of imageSize image pixels (the full picture's size as
  // shown, rotation applied), shown fitted.
  void SetPicture(const QSize& imageSize);
  // The view's size in logical pixels and its device pixel ratio (a resize,
  // full screen, or a move to another screen). A fitted picture fits the
  // new view; a zoomed one keeps its scale and the picture point at the
  // view's centre.
  void SetView(const QSizeF& viewSize, double devicePixelRatio);

  QSize PictureSize() const { return picture_; }
  QSizeF ViewSize() const { return view_; }
  double DevicePixelRatio() const { return dpr_; }

  TZoomMode Mode() const { return mode_; }
  bool IsFit() const { return mode_ == TZoomMode::Fit; }
  // Device pixels per image pixel: 1.0 shows one image pixel on one device
  // pixel (100 %), so at a device pixel ratio of 2 a 1000 pixel picture
  // takes 500 logical pixels.
  double Scale() const { return scale_; }
  double FitScale() const;
  // Shown larger than the fit: the viewer needs the picture decoded at full
  // size only then; the fit is served by a reduced decode.
  bool ZoomedPastFit() const;
  // The picture is larger than the view on some axis, so dragging moves it.
  bool CanPan() const;

  void ShowFit();
  // 100 % about a point of the view (logical pixels): the picture point
  // under it stays under it.
  void ShowActual(const QPointF& anchor);
  // Zooms to a scale (clamped to the limits) about a point of the view.
  // Landing on the fit scale shows the picture fitted again. A scale or
  // point that is not a number is ignored.
  void ZoomTo(double scale, const QPointF& anchor);
  // Zooms by whole steps of the step table about a point (Ctrl + wheel
  // notches, +/-); false when already at the limit.
  bool ZoomBy(int steps, const QPointF& anchor);
  // Double click: a fitted picture goes to 100 % about the click point,
  // anything else back to the fit.
  void ToggleFitActual(const QPointF& anchor);
  // Moves the picture by delta logical pixels (a drag, an arrow key),
  // clamped so that it never leaves a gap where it could cover the view;
  // returns the move actually made. A fitted picture stays put.
  QPointF PanBy(const QPointF& delta);

  // Where the picture is painted, in the view's logical coordinates. At
  // 100 % its corner lies on a whole device pixel, so each image pixel
  // covers exactly one device pixel.
  QRectF ImageRect() const;
  // A view point (logical) in image pixels, and back.
  QPointF ViewToImage(const QPointF& viewPoint) const;
  QPointF ImageToView(const QPointF& imagePoint) const;

 private:
  QPointF Corner() const;
  QSizeF ViewDevice() const;
  QSizeF ShownDevice() const;
  void SetScale(double scale, const QPointF& anchorDevice);
  void Clamp();

  QSize picture_;
  QSizeF view_;
  double dpr_ = 1.0;
  TZoomMode mode_ = TZoomMode::Fit;
  double scale_ = 1.0;
  // The picture's top-left corner in the view, in device pixels, clamped
  // but not rounded.
  QPointF offset_;
};

}  // namespace glimr
