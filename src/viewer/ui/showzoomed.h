#pragma once
// The show-zoomed sequence: the loading preview decodes the image, then the
// zoom window grows the picture out of its thumbnail. The main window runs it
// for "Show Zoomed", its button, a double click on the centre thumbnail or in
// the file list, and Space in the file list.

#include <QObject>
#include <QRect>

#include <functional>

#include "viewer/zoomgeometry.h"

namespace glimr {

class TImageFileInfo;
class TfrmLoading;
class TfrmZoom;

// The picture scaled smoothly to size (24-bit); unchanged when it has it.
QImage FitPicture(const QImage& picture, const QSize& size);

class TShowZoomed : public QObject {
  Q_OBJECT

 public:
  TShowZoomed(TfrmLoading& loading, TfrmZoom& zoom, QObject* parent = nullptr);

  // Called once the picture is ready and just before the zoom window is
  // placed: the main window repaints itself (the capture follows) and stops
  // its ribbon poll timer. AfterZoom restarts it when the window has closed.
  void SetHooks(std::function<void()> beforeZoom, std::function<void()> afterZoom);

  // Runs the whole sequence for an image record and returns when the zoom
  // window has closed: true when it opened, false when nothing was decoded
  // (or the record is a folder entry). startRect is the thumbnail on the
  // screen, ribbonPanel the ribbon panel's screen rectangle.
  bool Run(const TImageFileInfo& record, const QRect& startRect, const QRect& ribbonPanel);

  // The same without waiting; Finished tells the outcome. False when a
  // sequence is already running or the record is a folder entry.
  bool Begin(const TImageFileInfo& record, const QRect& startRect, const QRect& ribbonPanel);

  bool IsRunning() const { return running_; }
  // The target rectangle of the last zoom (screen coordinates).
  const TScreenRect& LastTarget() const { return target_; }

 Q_SIGNALS:
  void Finished(bool zoomed);

 private:
  void LoadingFinished(int result);
  void ZoomFinished();

  TfrmLoading& loading_;
  TfrmZoom& zoom_;
  std::function<void()> beforeZoom_;
  std::function<void()> afterZoom_;
  QRect startRect_;
  TScreenRect target_;
  bool running_ = false;
};

}  // namespace glimr
