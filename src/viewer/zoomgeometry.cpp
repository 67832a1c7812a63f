#include "viewer/zoomgeometry.h"

#include <algorithm>

#include "common/numeric.h"

namespace glimr {

QDebug operator<<(QDebug debug, const TScreenRect& r) {
  QDebugStateSaver saver(debug);
  debug.nospace() << "TScreenRect(" << r.Left << ", " << r.Top << ", " << r.Right << ", "
                  << r.Bottom << ")";
  return debug;
}

TScreenRect ZoomTargetRect(int width, int height, const TScreenRect& start, int screenWidth,
                           int screenHeight) {
  // A degenerate size would divide by zero below; treat it as one pixel.
  const int w = std::max(width, 1);
  const int h = std::max(height, 1);
  const int maxWidth = static_cast<int>(RoundHalfEven(0.75 * screenWidth));
  const int maxHeight = static_cast<int>(RoundHalfEven(0.75 * screenHeight));

  int b = w;
  if (w < start.Width()) {
    b = start.Width() + 50;
  } else if (w > maxWidth) {
    b = maxWidth;
  }
  int d = h;
  if (h < start.Height()) {
    d = start.Height() + 50;
  } else if (h > maxHeight) {
    d = maxHeight;
  }

  const double ratio = static_cast<double>(w) / h;
  if (static_cast<double>(b) / d != ratio) {
    if (ratio > 1) {
      d = static_cast<int>(RoundHalfEven(b / ratio));
    } else {
      b = static_cast<int>(RoundHalfEven(d * ratio));
    }
  }
  // A very long, thin image must still leave a visible picture.
  b = std::max(b, 1);
  d = std::max(d, 1);

  TScreenRect r;
  r.Left = (screenWidth - b) / 2;
  r.Top = (screenHeight - d) / 2;
  r.Right = r.Left + b;
  r.Bottom = r.Top + d;

  // Pull the rectangle toward the thumbnail so the picture grows out of it.
  if (r.Left > start.Left)
    r = r.Translated(start.Left - r.Left, 0);
  if (r.Right < start.Right)
    r = r.Translated(start.Right - r.Right, 0);
  if (r.Top > start.Top)
    r = r.Translated(0, start.Top - r.Top);
  if (r.Bottom < start.Bottom)
    r = r.Translated(0, start.Bottom - r.Bottom);
  return r;
}

TScreenRect ZoomWindowRect(const TScreenRect& target) {
  return {target.Left - kZoomBorder, target.Top - kZoomTitle, target.Right + kZoomBorder,
          target.Bottom + kZoomBorder};
}

TZoomHit ZoomHitTest(int x, int y, int clientWidth) {
  if (y >= kZoomTitle)
    return TZoomHit::Picture;
  if (x > clientWidth - kZoomCloseSize)
    return TZoomHit::CloseButton;
  if (x < clientWidth - kZoomCloseSize)
    return TZoomHit::TitleStrip;
  // The single column between the strip and the button belongs to neither.
  return TZoomHit::Picture;
}

QSize LoadCapSize(int width, int height, const QSize& screen) {
  qint64 w = width;
  qint64 h = height;
  const qint64 a = RoundHalfEven(0.75 * screen.width());
  if (w > a) {
    h = RoundHalfEven(static_cast<double>(a) / w * h);
    w = a;
  }
  const qint64 b = RoundHalfEven(0.75 * screen.height());
  if (h > b) {
    w = RoundHalfEven(static_cast<double>(b) / h * w);
    h = b;
  }
  return QSize(static_cast<int>(std::max<qint64>(w, 1)), static_cast<int>(std::max<qint64>(h, 1)));
}

QPoint CentredOver(const QRect& panel, const QSize& window) {
  return panel.topLeft() +
         QPoint((panel.width() - window.width()) / 2, (panel.height() - window.height()) / 2);
}

}  // namespace glimr
