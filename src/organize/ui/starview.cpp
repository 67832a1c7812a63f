#include "organize/ui/starview.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

#include "common/language.h"

namespace glimr {

namespace {

constexpr int kSide = 16;
constexpr int kMaxFade = 10;
constexpr int kFadeIntervalMs = 50;

QPainterPath StarPath(double cx, double cy, double outer, double inner) {
  QPainterPath path;
  for (int i = 0; i < 10; ++i) {
    const double radius = (i % 2 == 0) ? outer : inner;
    const double angle = -M_PI / 2 + i * M_PI / 5;
    const QPointF p(cx + radius * std::cos(angle), cy + radius * std::sin(angle));
    if (i == 0) {
      path.moveTo(p);
    } else {
      path.lineTo(p);
    }
  }
  path.closeSubpath();
  return path;
}

QImage BlankImage() {
  QImage image(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QImage PlainStar(const QColor& fill, const QColor& outline) {
  QImage image = BlankImage();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(outline, 1.0));
  p.setBrush(fill);
  p.drawPath(StarPath(8.0, 8.6, 7.2, 3.0));
  return image;
}

QImage BuiltInSelected() {
  return PlainStar(QColor(255, 140, 0), QColor(170, 80, 0));
}

QImage BuiltInDeselected() {
  return PlainStar(QColor(110, 110, 110), QColor(70, 70, 70));
}

QImage BuiltInHighlighted() {
  QImage image = BlankImage();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient glow(QPointF(8.0, 8.0), 8.0);
  glow.setColorAt(0.0, QColor(255, 255, 180, 220));
  glow.setColorAt(0.6, QColor(255, 240, 80, 110));
  glow.setColorAt(1.0, QColor(255, 230, 0, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(QRectF(0, 0, kSide, kSide));
  p.setPen(QPen(QColor(230, 170, 0), 1.0));
  p.setBrush(QColor(255, 245, 60));
  p.drawPath(StarPath(8.0, 8.6, 7.2, 3.0));
  return image;
}

QImage BuiltInNone() {
  QImage image = BuiltInDeselected();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(220, 30, 30), 2.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(3.0, 3.0), QPointF(13.0, 13.0));
  p.drawLine(QPointF(13.0, 3.0), QPointF(3.0, 13.0));
  return image;
}

QImage OrBuiltIn(const QImage& image, QImage (*builtIn)()) {
  return image.isNull() ? builtIn() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The stars as assistive technology sees them: a slider from 0 to StarsNum
// whose value is the number of selected stars. Without it the control would
// be a nameless pane with nothing to read.
class TStarViewAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit TStarViewAccessible(TStarView* view) : QAccessibleWidget(view, QAccessible::Slider) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) {
      return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text t) const override {
    switch (t) {
      case QAccessible::Name: {
        // The label the page gives it, else the word for what it shows.
        const QString name = widget()->accessibleName();
        return name.isEmpty() ? LangText(TLangSection::Captions, 113) : name;
      }
      case QAccessible::Value:
        return QString::number(Stars()->StarsSelected());
      default:
        return QAccessibleWidget::text(t);
    }
  }

  QVariant currentValue() const override { return Stars()->StarsSelected(); }
  void setCurrentValue(const QVariant& value) override { Stars()->ChooseStars(value.toInt()); }
  QVariant maximumValue() const override { return Stars()->StarsNum(); }
  QVariant minimumValue() const override { return 0; }
  QVariant minimumStepSize() const override { return 1; }

 private:
  TStarView* Stars() const { return static_cast<TStarView*>(widget()); }
};

QAccessibleInterface* StarViewAccessibleFactory(const QString& key, QObject* object) {
  if (key == QLatin1String(TStarView::staticMetaObject.className()) && object &&
      object->isWidgetType()) {
    return new TStarViewAccessible(static_cast<TStarView*>(object));
  }
  return nullptr;
}

}  // namespace

TStarView::TStarView(QWidget* parent) : QWidget(parent) {
  // Registered with the first star control, before anything asks for its
  // accessible interface (Qt keeps the first one it made for an object).
  static const bool registered = [] {
    QAccessible::installFactory(StarViewAccessibleFactory);
    return true;
  }();
  Q_UNUSED(registered);
  selStar_ = BuiltInSelected();
  highStar_ = BuiltInHighlighted();
  deselStar_ = BuiltInDeselected();
  noneStar_ = BuiltInNone();
  fade_.assign(static_cast<size_t>(starsNum_) + 1, 0);
  setMouseTracking(true);
  fadeTimer_.setInterval(kFadeIntervalMs);
  connect(&fadeTimer_, &QTimer::timeout, this, &TStarView::FadeTick);
  UpdateCellSize();
  UpdateAccessibleText();
}

int TStarView::CellAt(int x, int width, int starsNum) {
  starsNum = std::max(starsNum, 1);
  // A control narrower than its cells would give a cell width of 0.
  const int cell = std::max(1, static_cast<int>(std::lround(double(width) / (starsNum + 1))));
  if (x < 0) {
    return 0;
  }
  return std::min(x / cell, starsNum);
}

QImage TStarView::BlendImages(const QImage& a, const QImage& b, int fade) {
  const QImage ia = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage ib = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (ia.size() != ib.size()) {
    ib = ib.scaled(ia.size());
  }
  const double e = std::clamp(fade, 0, kMaxFade) * 0.1;
  QImage out(ia.size(), QImage::Format_ARGB32_Premultiplied);
  const int rowBytes = ia.width() * 4;
  for (int y = 0; y < ia.height(); ++y) {
    const uchar* pa = ia.constScanLine(y);
    const uchar* pb = ib.constScanLine(y);
    uchar* po = out.scanLine(y);
    for (int i = 0; i < rowBytes; ++i) {
      po[i] = static_cast<uchar>(std::lround(e * pa[i] + (1.0 - e) * pb[i]));
    }
  }
  return out;
}

void TStarView::SetStarsNum(int n) {
  starsNum_ = std::max(n, 1);
  fade_.assign(static_cast<size_t>(starsNum_) + 1, 0);
  hovered_ = std::min(hovered_, starsNum_);
  starsSelected_ = std::min(starsSelected_, starsNum_);
  UpdateCellSize();
  UpdateAccessibleText();
  update();
}

void TStarView::SetStarsSelected(int n) {
  n = std::clamp(n, 0, starsNum_);
  if (n == starsSelected_) {
    return;
  }
  starsSelected_ = n;
  UpdateAccessibleText();
  update();
}

void TStarView::SetBkColor(const QColor& color) {
  bkColor_ = color;
  update();
}

void TStarView::SetSelStar(const QImage& image) {
  selStar_ = OrBuiltIn(image, BuiltInSelected);
  UpdateCellSize();
}

void TStarView::SetHighStar(const QImage& image) {
  highStar_ = OrBuiltIn(image, BuiltInHighlighted);
  UpdateCellSize();
}

void TStarView::SetDeselStar(const QImage& image) {
  deselStar_ = OrBuiltIn(image, BuiltInDeselected);
  UpdateCellSize();
}

void TStarView::SetNoneStar(const QImage& image) {
  noneStar_ = OrBuiltIn(image, BuiltInNone);
  UpdateCellSize();
}

int TStarView::FadeOf(int star) const {
  return (star >= 1 && star <= starsNum_) ? fade_[static_cast<size_t>(star)] : 0;
}

QSize TStarView::sizeHint() const {
  const int height =
      std::max({noneStar_.height(), selStar_.height(), deselStar_.height(), highStar_.height()});
  return {noneStar_.width() + starsNum_ * cell_.width(), height};
}

void TStarView::UpdateCellSize() {
  cell_ = QSize(std::max(selStar_.width(), deselStar_.width()),
                std::max(selStar_.height(), deselStar_.height()));
  const QSize needed = sizeHint();
  if (width() < needed.width() || height() < needed.height()) {
    resize(std::max(width(), needed.width()), std::max(height(), needed.height()));
  }
  updateGeometry();
  update();
}

void TStarView::UpdateAccessibleText() {
  setAccessibleDescription(QString::number(starsSelected_) + QLatin1Char('/') +
                           QString::number(starsNum_));
  if (QAccessible::isActive()) {
    QAccessibleValueChangeEvent event(this, starsSelected_);
    QAccessible::updateAccessibility(&event);
  }
}

void TStarView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // Qt repaints a widget's whole exposed area each time, so the background
  // is filled on every paint rather than only after a resize or colour change.
  p.fillRect(rect(), bkColor_);
  const int c = std::max(1, static_cast<int>(std::lround(double(width()) / (starsNum_ + 1))));
  const int h = height();
  p.drawImage(QPoint((c - noneStar_.width()) / 2, (h - noneStar_.height()) / 2), noneStar_);
  for (int k = 1; k <= starsNum_; ++k) {
    QImage image;
    if (k <= hovered_) {
      image = highStar_;
    } else if (k <= starsSelected_) {
      image = BlendImages(highStar_, selStar_, fade_[static_cast<size_t>(k)]);
    } else {
      image = BlendImages(highStar_, deselStar_, fade_[static_cast<size_t>(k)]);
    }
    p.drawImage(QPoint(c * k + (c - image.width()) / 2, (h - image.height()) / 2), image);
  }
}

void TStarView::mouseMoveEvent(QMouseEvent* event) {
  const int k = CellAt(event->position().toPoint().x(), width(), starsNum_);
  if (k == hovered_) {
    return;
  }
  hovered_ = k;
  for (int i = 1; i <= k; ++i) {
    fade_[static_cast<size_t>(i)] = kMaxFade;
  }
  fadeTimer_.start();
  update();
}

void TStarView::mousePressEvent(QMouseEvent* event) {
  // Only the primary button rates; another button is left to a context menu.
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  ChooseStars(CellAt(event->position().toPoint().x(), width(), starsNum_));
}

void TStarView::ChooseStars(int n) {
  n = std::clamp(n, 0, starsNum_);
  if (n == starsSelected_) {
    return;
  }
  Q_EMIT starsSelected(n);
  starsSelected_ = n;
  UpdateAccessibleText();
  update();
}

void TStarView::leaveEvent(QEvent*) {
  hovered_ = 0;
  fadeTimer_.start();
  update();
}

void TStarView::FadeTick() {
  bool changed = false;
  for (int k = hovered_ + 1; k <= starsNum_; ++k) {
    int& f = fade_[static_cast<size_t>(k)];
    if (f > 0) {
      --f;
      changed = true;
    }
  }
  if (!changed) {
    fadeTimer_.stop();
  }
  update();
}

}  // namespace glimr
