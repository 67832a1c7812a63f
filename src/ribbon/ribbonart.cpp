#include "ribbon/ribbonart.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <numbers>

namespace glimr {

namespace {

QImage Canvas() {
  QImage img(TRibbonArt::kSide, TRibbonArt::kSide, QImage::Format_RGB888);
  img.fill(Qt::black);
  return img;
}

// A gear of eight teeth turned by `turn` degrees: rim, teeth and a hub hole.
QImage DrawGear(double turn) {
  QImage img = Canvas();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(64, 64);
  p.rotate(turn);
  QPainterPath gear;
  const int teeth = 8;
  const double outer = 52, inner = 41;
  for (int i = 0; i < teeth * 4; ++i) {
    // Each tooth: rise, top, fall, root, a quarter of the pitch each.
    const double a = (i * 360.0 / (teeth * 4)) * std::numbers::pi / 180.0;
    const double r = (i % 4 == 1 || i % 4 == 2) ? outer : inner;
    const QPointF pt(r * std::cos(a), r * std::sin(a));
    if (i == 0) {
      gear.moveTo(pt);
    } else {
      gear.lineTo(pt);
    }
  }
  gear.closeSubpath();
  gear.addEllipse(QPointF(0, 0), 14, 14);
  gear.setFillRule(Qt::OddEvenFill);
  QLinearGradient g(-50, -50, 50, 50);
  g.setColorAt(0, QColor(200, 205, 215));
  g.setColorAt(1, QColor(90, 95, 110));
  p.setPen(QPen(QColor(50, 52, 60), 2));
  p.setBrush(g);
  p.drawPath(gear);
  // Spokes' shadow ring so the turn is easy to see.
  p.setPen(QPen(QColor(60, 62, 72), 5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(0, 0), 27, 27);
  p.drawLine(QPointF(14, 0), QPointF(38, 0));
  return img;
}

// A closed outline through the given corners.
QPainterPath Polygon(std::initializer_list<QPointF> corners) {
  QPainterPath path;
  path.addPolygon(QPolygonF(QList<QPointF>(corners)));
  path.closeSubpath();
  return path;
}

QPainterPath FolderShape() {
  return Polygon({{14, 30}, {50, 30}, {58, 40}, {114, 40}, {114, 104}, {14, 104}});
}

QImage DrawFolder(bool parent) {
  QImage img = Canvas();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient back(0, 30, 0, 104);
  back.setColorAt(0, QColor(214, 160, 52));
  back.setColorAt(1, QColor(170, 118, 30));
  p.setPen(QPen(QColor(120, 80, 20), 2));
  p.setBrush(back);
  p.drawPath(FolderShape());
  QLinearGradient front(0, 50, 0, 104);
  front.setColorAt(0, QColor(252, 210, 100));
  front.setColorAt(1, QColor(228, 170, 60));
  p.setBrush(front);
  p.drawPath(Polygon({{14, 104}, {22, 52}, {122, 52}, {114, 104}}));
  if (parent) {
    // An arrow pointing up and back: the way to the enclosing folder.
    p.setPen(QPen(QColor(40, 70, 140), 2));
    p.setBrush(QColor(70, 120, 220));
    p.drawPath(Polygon({{68, 60}, {88, 78}, {76, 78}, {76, 96}, {60, 96}, {60, 78}, {48, 78}}));
  }
  return img;
}

}  // namespace

TRibbonArt::TRibbonArt() {
  for (int i = 0; i < 10; ++i) {
    // Eight teeth repeat every 45 degrees; ten frames cover one pitch.
    Gears[i] = DrawGear(i * 4.5);
  }
  Folder = DrawFolder(false);
  Parent = DrawFolder(true);
}

}  // namespace glimr
