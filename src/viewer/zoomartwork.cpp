#include "viewer/zoomartwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "viewer/rows24.h"
#include "viewer/zoomgeometry.h"

namespace glimr {

namespace {

const QColor kStripTop(0x5a, 0x5e, 0x66);
const QColor kStripBottom(0x00, 0x00, 0x00);
const QColor kRim(0x3a, 0x3d, 0x44);

// Painting happens on a 32-bit canvas (what QPainter is fastest and most
// exact on); the result is handed out as a 24-bit bitmap.
QImage Canvas(int w, int h) {
  QImage canvas(w, h, QImage::Format_RGB32);
  canvas.fill(Qt::black);
  return canvas;
}

QImage To24(const QImage& canvas) {
  return canvas.convertToFormat(QImage::Format_BGR888);
}

void PaintStrip(QPainter& p, int w) {
  QLinearGradient g(0, 0, 0, kZoomTitle);
  g.setColorAt(0.0, kStripTop);
  g.setColorAt(0.85, kStripBottom);
  p.fillRect(QRect(0, 0, w, kZoomTitle), g);
}

QImage Strip(int w, bool rimLeft) {
  QImage c = Canvas(w, kZoomTitle);
  QPainter p(&c);
  PaintStrip(p, w);
  p.setPen(kRim.lighter(160));
  p.drawLine(0, 0, w - 1, 0);
  if (rimLeft)
    p.drawLine(0, 0, 0, kZoomTitle - 1);
  p.end();
  return To24(c);
}

// Outer rim of the thin border: one lighter pixel line on the outside.
QImage Edge(int w, int h, bool left, bool top, bool right, bool bottom) {
  QImage c = Canvas(w, h);
  QPainter p(&c);
  p.setPen(kRim);
  if (left)
    p.drawLine(0, 0, 0, h - 1);
  if (top)
    p.drawLine(0, 0, w - 1, 0);
  if (right)
    p.drawLine(w - 1, 0, w - 1, h - 1);
  if (bottom)
    p.drawLine(0, h - 1, w - 1, h - 1);
  p.end();
  return To24(c);
}

QImage CloseButton(const QColor& light, const QColor& dark, bool cross) {
  QImage c = Canvas(kZoomCloseSize, kZoomCloseSize);
  QPainter p(&c);
  PaintStrip(p, kZoomCloseSize);
  p.setPen(kRim.lighter(160));
  p.drawLine(0, 0, kZoomCloseSize - 1, 0);
  p.drawLine(kZoomCloseSize - 1, 0, kZoomCloseSize - 1, kZoomTitle - 1);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(16.5, 16.5);
  QRadialGradient ball(QPointF(13.5, 12.5), 13.0);
  ball.setColorAt(0.0, light);
  ball.setColorAt(1.0, dark);
  p.setPen(QPen(QColor(0x20, 0x08, 0x08), 1.0));
  p.setBrush(ball);
  p.drawEllipse(centre, 11.0, 11.0);
  // A soft highlight near the top of the ball.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 70));
  p.drawEllipse(QPointF(16.5, 11.0), 6.5, 3.5);
  if (cross) {
    p.setPen(QPen(QColor(0xff, 0xf4, 0xf0), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5, 12.5), QPointF(20.5, 20.5));
    p.drawLine(QPointF(20.5, 12.5), QPointF(12.5, 20.5));
  }
  p.end();
  return To24(c);
}

}  // namespace

TZoomArtwork MakeZoomArtwork() {
  TZoomArtwork art;
  art.TopLeft = Strip(kZoomBorder, true);
  art.Top = Strip(1, false);
  art.CloseNormal = CloseButton(QColor(0xf0, 0x5a, 0x4a), QColor(0xa0, 0x14, 0x0e), false);
  art.CloseHover = CloseButton(QColor(0xff, 0x72, 0x60), QColor(0xb8, 0x1c, 0x12), true);
  art.ClosePressed = CloseButton(QColor(0xb0, 0x24, 0x1a), QColor(0x60, 0x06, 0x04), true);
  art.Left = Edge(kZoomBorder, 1, true, false, false, false);
  art.Right = Edge(kZoomBorder, 1, false, false, true, false);
  art.Bottom = Edge(1, kZoomBorder, false, false, false, true);
  art.BottomLeft = Edge(kZoomBorder, kZoomBorder, true, false, false, true);
  art.BottomRight = Edge(kZoomBorder, kZoomBorder, false, false, true, true);
  return art;
}

QImage MakeLoadingDot() {
  QImage c = Canvas(20, 10);
  QPainter p(&c);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(0.5, 0.5, 19.0, 9.0), 4.5, 4.5);
  p.end();
  return To24(c);
}

void ComposeZoomFrame(QImage& frame, const QImage& picture, const TZoomArtwork& art) {
  const int w = frame.width();
  const int h = frame.height();
  const int b = kZoomBorder;
  const int t = kZoomTitle;
  const int c = kZoomCloseSize;
  // Rectangles by their edges, right and bottom exclusive.
  auto edges = [](int l, int top, int r, int bottom) { return QRect(l, top, r - l, bottom - top); };
  // The picture fills exactly the area the border pieces leave open, so at
  // the final size it is copied one to one instead of resampled.
  StretchRows(frame, edges(b, t, w - b - 1, h - b - 1), picture);
  DrawRows(frame, 0, 0, art.TopLeft);
  StretchRows(frame, edges(b, 0, w - c, t), art.Top);
  DrawRows(frame, w - c - 1, 0, art.CloseNormal);
  StretchRows(frame, edges(0, t, b, h - b), art.Left);
  DrawRows(frame, 0, h - b - 1, art.BottomLeft);
  StretchRows(frame, edges(b, h - b - 1, w - b, h - 1), art.Bottom);
  DrawRows(frame, w - b - 1, h - b - 1, art.BottomRight);
  StretchRows(frame, edges(w - b - 1, t, w - 1, h - b - 1), art.Right);
}

}  // namespace glimr
