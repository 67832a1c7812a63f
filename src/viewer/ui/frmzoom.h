#pragma once
// The zoom window: one picture in a borderless black frame with a round close
// button. It grows out of the thumbnail's rectangle over a capture of the
// screen, leaving a fading trail, and closes on Escape or the close button.

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QTimer>

#include <functional>

#include "viewer/zoomanimation.h"
#include "viewer/zoomartwork.h"
#include "viewer/zoomgeometry.h"

namespace glimr {

// Copies the screen's pixels inside a rectangle (screen coordinates); a null
// image where the platform allows no capture.
using TScreenGrab = std::function<QImage(const QRect& screenRect)>;
QImage GrabScreenArea(const QRect& screenRect);

class TfrmZoom : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmZoom(QWidget* parent = nullptr, TScreenGrab grab = GrabScreenArea);

  // Hands over the picture, already scaled to the target rectangle's size
  // in device pixels (its devicePixelRatio says how many per logical one);
  // it replaces the previous one.
  void SetPicture(QImage picture);
  const QImage& Picture() const { return picture_; }

  // Shows the window modally, growing from start to target (screen
  // rectangles of the picture area), and returns when the user closes it.
  void StartZoom(const TScreenRect& start, const TScreenRect& target);
  // The same without waiting; finished() tells when the window closes.
  void BeginZoom(const TScreenRect& start, const TScreenRect& target);

  bool IsAnimating() const { return animation_.Animating(); }
  bool IsHovering() const { return hover_; }
  bool IsPressed() const { return pressed_; }
  bool IsDragging() const { return drag_; }
  // What the window shows, without the close button's present look.
  const QImage& Background() const { return background_; }
  // The close button's look as last drawn over the background (null: none).
  const QImage& CloseButtonShown() const { return closeShown_; }
  const TZoomArtwork& Artwork() const { return art_; }

  void done(int result) override;

 Q_SIGNALS:
  // The picture has grown to its target and stands still.
  void grown();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void Prepare(const TScreenRect& start, const TScreenRect& target);
  void zoomTimerTimer();
  void tmrCloseBtnTimer();
  void PaintZoom();
  void ShowCloseButton(const QImage& look);
  void StartCloseFade();

  TScreenGrab grab_;
  TZoomArtwork art_;
  TZoomAnimation animation_;
  QTimer zoomTimer_;
  QTimer tmrCloseBtn_;
  QImage picture_;
  QImage background_;
  QImage frame_;
  QImage closeImage_;  // the close button's present look, fading back to normal
  QImage closeShown_;
  bool everShown_ = false;
  bool hover_ = false;
  bool pressed_ = false;
  bool drag_ = false;
  int fadeCounter_ = 0;
  QPoint grabPoint_;
  QPoint pictureOrigin_;  // the picture area's top-left in the window
};

}  // namespace glimr
