#include "viewer/viewtransform.h"

#include <algorithm>
#include <cmath>

namespace glimr {

namespace {

// Scales closer than this (relative) count as the same step, so that a fit
// of 0.5000000001 and the 50 % step are not two stops of the wheel.
constexpr double kSameScale = 1e-9;

bool SameScale(double a, double b) {
  return std::abs(a - b) <= kSameScale * std::max(a, b);
}

// One axis of the clamp: a picture smaller than the view is centred, a
// larger one may move only as far as its edges reach the view's edges.
double ClampAxis(double offset, double shown, double view) {
  if (shown <= view) {
    return (view - shown) / 2.0;
  }
  return std::clamp(offset, view - shown, 0.0);
}

// The painted corner on one axis at 100 %: on a whole device pixel, rounded
// inward where the picture covers the view, so no sliver of background shows.
double WholeAxis(double offset, double shown, double view) {
  if (shown <= view) {
    return std::round(offset);
  }
  return std::clamp(std::round(offset), std::min(std::ceil(view - shown), 0.0), 0.0);
}

}  // namespace

const std::vector<double>& ZoomStepTable() {
  static const std::vector<double> steps = {
      1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1.0, 1.5,
      2.0,      3.0,      4.0,     6.0,     8.0,     12.0,    16.0,    24.0,    32.0};
  return steps;
}

double FitScale(const QSizeF& picture, const QSizeF& view) {
  if (picture.width() <= 0 || picture.height() <= 0 || view.width() <= 0 || view.height() <= 0) {
    return 1.0;
  }
  return std::min({1.0, view.width() / picture.width(), view.height() / picture.height()});
}

double StepZoom(double scale, double fitScale, int steps) {
  std::vector<double> stops = ZoomStepTable();
  stops.push_back(fitScale);
  std::sort(stops.begin(), stops.end());
  double s = scale;
  for (; steps > 0; --steps) {
    const auto it = std::find_if(stops.begin(), stops.end(),
                                 [s](double stop) { return stop > s && !SameScale(stop, s); });
    if (it == stops.end()) {
      break;
    }
    s = *it;
  }
  for (; steps < 0; ++steps) {
    const auto it = std::find_if(stops.rbegin(), stops.rend(),
                                 [s](double stop) { return stop < s && !SameScale(stop, s); });
    if (it == stops.rend()) {
      break;
    }
    s = *it;
  }
  return s;
}

void TViewTransform::SetPicture(const QSize& imageSize) {
  picture_ = imageSize;
  ShowFit();
}

void TViewTransform::SetView(const QSizeF& viewSize, double devicePixelRatio) {
  const QSizeF oldView = ViewDevice();
  const QPointF centre(oldView.width() / 2.0, oldView.height() / 2.0);
  const QPointF imageCentre = scale_ > 0 ? (centre - offset_) / scale_ : QPointF();
  view_ = viewSize.isValid() ? viewSize : QSizeF(0, 0);
  dpr_ = devicePixelRatio > 0 && std::isfinite(devicePixelRatio) ? devicePixelRatio : 1.0;
  if (mode_ == TZoomMode::Fit) {
    ShowFit();
    return;
  }
  const QSizeF view = ViewDevice();
  offset_ = QPointF(view.width() / 2.0, view.height() / 2.0) - imageCentre * scale_;
  Clamp();
}

double TViewTransform::FitScale() const {
  return glimr::FitScale(QSizeF(picture_), ViewDevice());
}

bool TViewTransform::ZoomedPastFit() const {
  const double fit = FitScale();
  return scale_ > fit && !SameScale(scale_, fit);
}

bool TViewTransform::CanPan() const {
  const QSizeF shown = ShownDevice();
  const QSizeF view = ViewDevice();
  return shown.width() > view.width() || shown.height() > view.height();
}

void TViewTransform::ShowFit() {
  mode_ = TZoomMode::Fit;
  scale_ = FitScale();
  Clamp();
}

void TViewTransform::ShowActual(const QPointF& anchor) {
  ZoomTo(1.0, anchor);
}

void TViewTransform::ZoomTo(double scale, const QPointF& anchor) {
  if (!std::isfinite(scale) || !std::isfinite(anchor.x()) || !std::isfinite(anchor.y())) {
    return;
  }
  const double fit = FitScale();
  const double s = std::clamp(scale, std::min(kMinZoomScale, fit), kMaxZoomScale);
  if (SameScale(s, fit)) {
    ShowFit();
    return;
  }
  mode_ = TZoomMode::Zoomed;
  SetScale(s, anchor * dpr_);
}

bool TViewTransform::ZoomBy(int steps, const QPointF& anchor) {
  const double s = StepZoom(scale_, FitScale(), steps);
  if (SameScale(s, scale_)) {
    return false;
  }
  ZoomTo(s, anchor);
  return true;
}

void TViewTransform::ToggleFitActual(const QPointF& anchor) {
  if (mode_ == TZoomMode::Fit) {
    ShowActual(anchor);
  } else {
    ShowFit();
  }
}

QPointF TViewTransform::PanBy(const QPointF& delta) {
  if (mode_ == TZoomMode::Fit || !std::isfinite(delta.x()) || !std::isfinite(delta.y())) {
    return QPointF();
  }
  const QPointF before = offset_;
  offset_ += delta * dpr_;
  Clamp();
  return (offset_ - before) / dpr_;
}

QRectF TViewTransform::ImageRect() const {
  return QRectF(Corner() / dpr_, ShownDevice() / dpr_);
}

QPointF TViewTransform::ViewToImage(const QPointF& viewPoint) const {
  return (viewPoint * dpr_ - Corner()) / scale_;
}

QPointF TViewTransform::ImageToView(const QPointF& imagePoint) const {
  return (Corner() + imagePoint * scale_) / dpr_;
}

QPointF TViewTransform::Corner() const {
  // Only at 100 % does a whole pixel matter: there each image pixel must
  // meet one device pixel. Drags keep their fractions in offset_, so a slow
  // drag at a fractional ratio still moves the picture smoothly.
  if (scale_ != 1.0) {
    return offset_;
  }
  const QSizeF shown = ShownDevice();
  const QSizeF view = ViewDevice();
  return QPointF(WholeAxis(offset_.x(), shown.width(), view.width()),
                 WholeAxis(offset_.y(), shown.height(), view.height()));
}

QSizeF TViewTransform::ViewDevice() const {
  return view_ * dpr_;
}

QSizeF TViewTransform::ShownDevice() const {
  return QSizeF(picture_) * scale_;
}

void TViewTransform::SetScale(double scale, const QPointF& anchorDevice) {
  // The picture point under the anchor before the zoom stays under it.
  const QPointF imagePoint = (anchorDevice - offset_) / scale_;
  scale_ = scale;
  offset_ = anchorDevice - imagePoint * scale_;
  Clamp();
}

void TViewTransform::Clamp() {
  const QSizeF shown = ShownDevice();
  const QSizeF view = ViewDevice();
  offset_ = QPointF(ClampAxis(offset_.x(), shown.width(), view.width()),
                    ClampAxis(offset_.y(), shown.height(), view.height()));
}

}  // namespace glimr
