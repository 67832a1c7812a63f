#include "viewer/ui/frmzoom.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include "common/errors.h"
#include "viewer/rows24.h"
#include "viewer/viewerlog.h"

namespace glimr {

QImage GrabScreenArea(const QRect& screenRect) {
  QScreen* screen = QGuiApplication::screenAt(screenRect.center());
  if (!screen)
    screen = QGuiApplication::primaryScreen();
  if (!screen || screenRect.isEmpty())
    return {};
  const QRect onScreen = screenRect.intersected(screen->geometry());
  if (onScreen.isEmpty())
    return {};
  // Wayland gives clients no access to other windows' pixels: grabWindow
  // returns a null pixmap there, and the caller falls back to black.
  const QPixmap pixmap = screen->grabWindow(0, onScreen.x() - screen->geometry().x(),
                                            onScreen.y() - screen->geometry().y(), onScreen.width(),
                                            onScreen.height());
  if (pixmap.isNull())
    return {};
  QImage grabbed = pixmap.toImage();
  if (grabbed.size() != onScreen.size()) {
    // High-density screens hand back device pixels.
    grabbed = grabbed.scaled(onScreen.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  QImage area = NewImage24(screenRect.width(), screenRect.height());
  DrawRows(area, onScreen.x() - screenRect.x(), onScreen.y() - screenRect.y(),
           grabbed.convertToFormat(QImage::Format_BGR888));
  return area;
}

TfrmZoom::TfrmZoom(QWidget* parent, TScreenGrab grab)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      grab_(std::move(grab)),
      art_(MakeZoomArtwork()) {
  setObjectName(QStringLiteral("frmZoom"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  zoomTimer_.setInterval(10);
  tmrCloseBtn_.setInterval(50);
  connect(&zoomTimer_, &QTimer::timeout, this, &TfrmZoom::zoomTimerTimer);
  connect(&tmrCloseBtn_, &QTimer::timeout, this, &TfrmZoom::tmrCloseBtnTimer);
}

void TfrmZoom::SetPicture(QImage picture) {
  picture_ = picture.format() == QImage::Format_BGR888
                 ? std::move(picture)
                 : picture.convertToFormat(QImage::Format_BGR888);
}

void TfrmZoom::Prepare(const TScreenRect& start, const TScreenRect& target) {
  if (isVisible())
    hide();
  zoomTimer_.stop();
  tmrCloseBtn_.stop();

  const TScreenRect window = ZoomWindowRect(target);
  setFixedSize(window.Width(), window.Height());
  move(window.Left, window.Top);
  pictureOrigin_ = QPoint(target.Left - window.Left, target.Top - window.Top);

  background_ = grab_ ? grab_(window.ToQRect()) : QImage();
  if (background_.size() != size()) {
    background_ = NewImage24(window.Width(), window.Height());
  } else if (background_.format() != QImage::Format_BGR888) {
    background_ = background_.convertToFormat(QImage::Format_BGR888);
  }

  hover_ = false;
  pressed_ = false;
  drag_ = false;
  closeShown_ = QImage();
  closeImage_ = art_.CloseNormal.copy();

  animation_.Start(start, target);
  const QSize first = animation_.FirstFrameSize();
  frame_ = NewImage24(first.width(), first.height());
  if (!frame_.isNull())
    ComposeZoomFrame(frame_, picture_, art_);
  everShown_ = true;
  // The first frame goes onto the capture before the window appears.
  PaintZoom();
  zoomTimer_.start();
}

void TfrmZoom::StartZoom(const TScreenRect& start, const TScreenRect& target) {
  Prepare(start, target);
  exec();
}

void TfrmZoom::BeginZoom(const TScreenRect& start, const TScreenRect& target) {
  Prepare(start, target);
  setModal(true);
  show();
}

void TfrmZoom::done(int result) {
  zoomTimer_.stop();
  tmrCloseBtn_.stop();
  animation_.Stop();
  drag_ = false;
  QDialog::done(result);
}

void TfrmZoom::zoomTimerTimer() {
  try {
    if (animation_.Tick()) {
      const QSize size = animation_.FrameSize();
      frame_ = NewImage24(size.width(), size.height());
      if (!frame_.isNull())
        ComposeZoomFrame(frame_, picture_, art_);
    }
    const bool ended = !animation_.Animating();
    if (ended)
      zoomTimer_.stop();
    PaintZoom();
    if (ended)
      Q_EMIT grown();
  } catch (const std::exception& e) {
    zoomTimer_.stop();
    animation_.Stop();
    ShowError(QStringLiteral("zoomTimer: "), ErrorText(e));
  }
}

void TfrmZoom::PaintZoom() {
  // Frames accumulate in the background; painting the window only copies it,
  // so an exposure never adds a frame twice.
  if (animation_.Animating() && !frame_.isNull()) {
    const QPoint origin = animation_.FrameOrigin();
    if (animation_.Blends()) {
      BlendRows(background_, animation_.BlendRegion(), frame_, origin.x(), origin.y());
    } else {
      DrawRows(background_, origin.x(), origin.y(), frame_);
    }
  }
  update();
}

void TfrmZoom::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!everShown_ || background_.isNull()) {
    p.fillRect(rect(), Qt::black);
    return;
  }
  p.drawImage(0, 0, background_);
  // The frames are composed in logical pixels; once the window stands, a
  // picture made for a HiDPI screen goes on top at its full resolution.
  if (!animation_.Animating() && picture_.devicePixelRatio() > 1.0)
    p.drawImage(pictureOrigin_, picture_);
  if (!closeShown_.isNull())
    p.drawImage(width() - kZoomCloseSize, 0, closeShown_);
}

void TfrmZoom::ShowCloseButton(const QImage& look) {
  closeShown_ = look;
  update(QRect(width() - kZoomCloseSize, 0, kZoomCloseSize, kZoomCloseSize));
}

void TfrmZoom::StartCloseFade() {
  fadeCounter_ = 0;
  hover_ = false;
  tmrCloseBtn_.start();
}

void TfrmZoom::keyPressEvent(QKeyEvent* event) {
  event->accept();
  if (event->key() == Qt::Key_Escape)
    done(QDialog::Accepted);
}

void TfrmZoom::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (animation_.Animating())
    return;
  const QPoint at = event->position().toPoint();
  if (ZoomHitTest(at.x(), at.y(), width()) == TZoomHit::TitleStrip) {
    drag_ = true;
    grabPoint_ = at;
  }
  if (hover_) {
    pressed_ = true;
    ShowCloseButton(art_.ClosePressed);
  }
}

void TfrmZoom::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (animation_.Animating())
    return;
  if (drag_)
    move(event->globalPosition().toPoint() - grabPoint_);
  const QPoint at = event->position().toPoint();
  if (ZoomHitTest(at.x(), at.y(), width()) == TZoomHit::CloseButton) {
    if (!hover_) {
      tmrCloseBtn_.stop();
      hover_ = true;
      closeImage_ = art_.CloseHover.copy();
      if (!pressed_)
        ShowCloseButton(closeImage_);
    }
  } else if (hover_) {
    StartCloseFade();
  }
}

void TfrmZoom::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  drag_ = false;
  if (!pressed_)
    return;
  pressed_ = false;
  ShowCloseButton(closeImage_);
  if (hover_)
    done(QDialog::Accepted);
}

void TfrmZoom::leaveEvent(QEvent* event) {
  QDialog::leaveEvent(event);
  if (animation_.Animating() || !hover_)
    return;
  StartCloseFade();
}

void TfrmZoom::tmrCloseBtnTimer() {
  FadeRowsToward(closeImage_, art_.CloseNormal);
  if (!pressed_ && !animation_.Animating())
    ShowCloseButton(closeImage_);
  if (++fadeCounter_ > 10)
    tmrCloseBtn_.stop();
}

}  // namespace glimr
