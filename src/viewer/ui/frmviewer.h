#pragma once
// TfrmViewer: the photo viewer. A window of its own beside the main window
// (not modal) that shows one image of the shown list at a time: fitted,
// at 100 % or zoomed about the cursor and panned, in a window or full
// screen, with next and previous, a slideshow and an information overlay.
// It follows the shown list (a removed, renamed or re-sorted image, a new
// list) and hands edits and file commands to the program, which routes them
// as the main window's own.

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

#include "viewer/picturecache.h"
#include "viewer/slideshowclock.h"
#include "viewer/viewtransform.h"

class QToolButton;

namespace glimr {

class TImageFileInfo;
class TScreenSaverInhibit;
class TShownList;
class TViewerDecoder;

// The viewer's commands that keys reach (the keys come from the language
// file, Captions 328-342, so a translation can move them).
enum class TViewerCommand {
  None,
  Next,
  Previous,
  First,
  Last,
  FullScreen,
  Overlay,
  ZoomIn,
  ZoomOut,
  Fit,
  ActualSize,
  RotateRight,
  RotateLeft,
  FlipHorizontally,
  FlipVertically,
  Slideshow,
  Close,
  Pause,
  Delete,
  Rate0,  // Rate0 + n rates n stars (the rating shortcuts of the main window)
  Rate1,
  Rate2,
  Rate3,
  Rate4,
  Rate5,
};

// The command a key press means in the viewer, with the language's keys in
// force. Keys of the keypad count as the same keys elsewhere.
TViewerCommand ViewerCommandForKey(int key, Qt::KeyboardModifiers modifiers);

class TfrmViewer : public QWidget {
  Q_OBJECT

 public:
  // The cached thumbnail of a file (its power-of-two square, stretched to
  // the image's proportions when painted), or a null image.
  using TThumbnailOf = std::function<QImage(const QString& path)>;

  // shown and decoder must outlive the viewer. parent: the main window, so
  // the viewer stays above it.
  TfrmViewer(TShownList& shown, TViewerDecoder& decoder, TThumbnailOf thumbnail,
             QWidget* parent = nullptr);
  ~TfrmViewer() override;

  // Opens the viewer (or keeps it open) on a row of the shown list; first is
  // a picture to show until the decode arrives (the zoom window's), or
  // null. False when the row holds no image.
  bool Open(int row, QImage first = {});
  // The row shown, -1 when closed or none.
  int ShownRow() const;
  QString ShownPath() const { return path_; }
  // The picture painted now and the kind of its decode.
  const QImage& Picture() const { return picture_; }
  bool PictureIsDecoded() const { return decoded_; }
  const TViewTransform& Transform() const { return transform_; }

  void SetSlideshowInterval(int ms);
  void StartSlideshow();
  void StopSlideshow();
  bool SlideshowRunning() const { return slideshow_.IsRunning(); }
  bool SlideshowActive() const { return slideshow_.IsActive(); }
  bool OverlayShown() const { return overlay_; }
  // Runs a command as its key would.
  void Run(TViewerCommand command);
  // Texts in the language in force.
  void ApplyLanguage();

 Q_SIGNALS:
  // A new row is shown: the list's focus and selection follow it.
  void rowShown(int row);
  // The program runs these on the shown image, as the main window's actions.
  void rateRequested(int stars);
  void deleteRequested();
  void rotateRequested(bool right);
  void flipRequested(bool horizontally);
  void closed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  const TImageFileInfo* Record() const;
  TPictureKey KeyFor(const TImageFileInfo& record, TDecodeKind kind) const;
  int MinDecodeSide() const;
  void Show(int row, QImage first);
  void Step(TViewerCommand command);
  void RequestPicture();
  void Prefetch();
  void PictureReady(const TPictureKey& key, const QImage& picture);
  void PictureFailed(const TPictureKey& key);
  void UpdateTransformView();
  void UpdateTexts();
  void ToggleFullScreen();
  void SlideTick();
  void ScheduleSlide();
  void FollowRemoval();
  void FollowNewList();
  void LayOutButtons();
  QString OverlayText() const;

  TShownList& shown_;
  TViewerDecoder& decoder_;
  TThumbnailOf thumbnail_;
  QString path_;  // the shown file, empty when none
  // Its record, to find it again after a rename (never read otherwise: the
  // list frees records it replaces or removes, and path_ goes with them).
  const TImageFileInfo* record_ = nullptr;
  QImage picture_;
  bool decoded_ = false;  // picture_ is a decode (not the thumbnail)
  bool loading_ = false;  // the shown picture's decode is awaited
  bool failed_ = false;
  TPictureKey shownKey_;
  TViewTransform transform_;
  bool overlay_ = false;
  int removedRow_ = -1;  // where the shown image left the list
  QPoint dragFrom_;
  bool dragging_ = false;
  TSlideshowClock slideshow_;
  QTimer slideTimer_;
  std::unique_ptr<TScreenSaverInhibit> inhibit_;
  QToolButton* fullScreen_ = nullptr;
  QToolButton* slideshowButton_ = nullptr;
  QToolButton* close_ = nullptr;
};

}  // namespace glimr
