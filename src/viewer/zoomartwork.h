#pragma once
// The viewer's own artwork, drawn by code at start: the zoom window's frame
// pieces and its three close-button looks, and the loading preview's dot.
// Every piece is a 24-bit bitmap (QImage::Format_BGR888).

#include <QImage>

namespace glimr {

struct TZoomArtwork {
  QImage TopLeft;       // 5 x 34
  QImage Top;           // 1 x 34, the title strip, stretched horizontally
  QImage CloseNormal;   // 34 x 34, the top-right corner: the close button at rest
  QImage Left;          // 5 x 1
  QImage BottomLeft;    // 5 x 5
  QImage Bottom;        // 1 x 5
  QImage BottomRight;   // 5 x 5
  QImage Right;         // 5 x 1
  QImage CloseHover;    // 34 x 34, with a cross
  QImage ClosePressed;  // 34 x 34, deeper red, with a cross
};

TZoomArtwork MakeZoomArtwork();

// The 20 x 10 dot of the loading preview: white on black.
QImage MakeLoadingDot();

// Composes one animation frame into frame (W x H): the picture in the image
// area, the title strip with the close button at the top, the thin border on
// the other sides. The last column and row stay untouched: they fall just
// outside the window when the frame reaches its final size.
void ComposeZoomFrame(QImage& frame, const QImage& picture, const TZoomArtwork& art);

}  // namespace glimr
