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

  // beforeZoom runs once the picture is ready, just before the zoom window
  // is placed: the main window repaints itself (the capture follows). onEnd
  // runs whenever a begun sequence ends, however it ends (the zoom window
  // closed, nothing decoded, the preview cancelled, an error): the main
  // window turns its ribbon's polling back on there.
  void SetHooks(std::function<void()> beforeZoom, std::function<void()> onEnd);

  // Runs the whole sequence for an image record and returns when the zoom
  // window has closed: true when it opened, false when nothing was decoded,
  // the preview was cancelled (or the record is a folder entry). startRect
  // is the thumbnail on the screen, ribbonPanel the ribbon panel's screen
  // rectangle.
  bool Run(const TImageFileInfo& record, const QRect& startRect, const QRect& ribbonPanel);

  // The same without waiting; Finished tells the outcome. False (and no
  // hook runs) while IsRunning or when the record is a folder entry.
  bool Begin(const TImageFileInfo& record, const QRect& startRect, const QRect& ribbonPanel);

  // A sequence runs, or a decode the user stopped waiting for has not ended
  // yet; a new sequence cannot begin until it has.
  bool IsRunning() const;
  // The target rectangle of the last zoom (screen coordinates).
  const TScreenRect& LastTarget() const { return target_; }

 Q_SIGNALS:
  void Finished(bool zoomed);
  // The zoom window's picture has grown out of the thumbnail: the viewer
  // takes over with it (the file's full path and the grown picture).
  void Grown(const QString& path, const QImage& picture);

 private:
  void LoadingFinished(int result);
  // The one way out of a begun sequence: runs the end hook, then Finished.
  void End(bool zoomed);

  TfrmLoading& loading_;
  TfrmZoom& zoom_;
  std::function<void()> beforeZoom_;
  std::function<void()> onEnd_;
  QRect startRect_;
  QString path_;
  TScreenRect target_;
  bool running_ = false;
};

}  // namespace glimr
