#pragma once
// Geometry of the zoom window and the loading preview as pure functions:
// where the zoomed picture stands, the window around it, the parts of its
// title strip, and the size cap of a freshly decoded image.

#include <QDebug>
#include <QRect>
#include <QSize>

namespace glimr {

// A screen rectangle given by its edges; Right and Bottom are exclusive, so
// the width is Right - Left.
struct TScreenRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
  static TScreenRect FromQRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  }
  TScreenRect Translated(int dx, int dy) const {
    return {Left + dx, Top + dy, Right + dx, Bottom + dy};
  }
  friend bool operator==(const TScreenRect&, const TScreenRect&) = default;
};

QDebug operator<<(QDebug debug, const TScreenRect& r);

// Frame around the picture: the image area is inset this much from the
// window's left, right and bottom edges, and by the title strip at the top.
constexpr int kZoomBorder = 5;
constexpr int kZoomTitle = 34;
constexpr int kZoomCloseSize = 34;

// Where the picture of a w x h image stands after the zoom animation, on a
// screen of screenWidth x screenHeight whose origin is (0, 0), given the
// thumbnail's rectangle on that screen.
TScreenRect ZoomTargetRect(int width, int height, const TScreenRect& start, int screenWidth,
                           int screenHeight);

// The zoom window's rectangle around a target (picture) rectangle.
TScreenRect ZoomWindowRect(const TScreenRect& target);

enum class TZoomHit { Picture, TitleStrip, CloseButton };

// What a point in window coordinates lies on, for a window clientWidth wide.
TZoomHit ZoomHitTest(int x, int y, int clientWidth);

// Size of a decoded w x h image after the cap at three quarters of the screen
// (width first, then height); never below 1 x 1.
QSize LoadCapSize(int width, int height, const QSize& screen);

// Where the loading preview's top-left corner goes so that a window of the
// given size is centred over a panel (both in screen coordinates).
QPoint CentredOver(const QRect& panel, const QSize& window);

}  // namespace glimr
