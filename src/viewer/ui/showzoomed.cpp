#include "viewer/ui/showzoomed.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>

#include "catalog/imagefileinfo.h"
#include "common/errors.h"
#include "viewer/ui/frmloading.h"
#include "viewer/ui/frmzoom.h"
#include "viewer/viewerlog.h"

namespace glimr {

QImage FitPicture(const QImage& picture, const QSize& size) {
  if (picture.size() == size)
    return picture;
  return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_BGR888);
}

TShowZoomed::TShowZoomed(TfrmLoading& loading, TfrmZoom& zoom, QObject* parent)
    : QObject(parent), loading_(loading), zoom_(zoom) {
  connect(&loading_, &QDialog::finished, this, &TShowZoomed::LoadingFinished);
  connect(&zoom_, &QDialog::finished, this, [this] { End(true); });
  connect(&zoom_, &TfrmZoom::grown, this, [this] { Q_EMIT Grown(path_, zoom_.Picture()); });
}

void TShowZoomed::SetHooks(std::function<void()> beforeZoom, std::function<void()> onEnd) {
  beforeZoom_ = std::move(beforeZoom);
  onEnd_ = std::move(onEnd);
}

bool TShowZoomed::IsRunning() const {
  return running_ || loading_.IsLoading();
}

bool TShowZoomed::Begin(const TImageFileInfo& record, const QRect& startRect,
                        const QRect& ribbonPanel) {
  if (IsRunning() || record.IsFolder)
    return false;
  running_ = true;
  startRect_ = startRect;
  path_ = record.FullPath();
  loading_.SetImage(record);
  loading_.PlaceOver(ribbonPanel);
  // The main window stays usable while the picture loads.
  loading_.setModal(false);
  loading_.show();
  return true;
}

bool TShowZoomed::Run(const TImageFileInfo& record, const QRect& startRect,
                      const QRect& ribbonPanel) {
  bool zoomed = false;
  QEventLoop loop;
  const auto connection = connect(this, &TShowZoomed::Finished, &loop, [&](bool shown) {
    zoomed = shown;
    loop.quit();
  });
  if (Begin(record, startRect, ribbonPanel))
    loop.exec(QEventLoop::DialogExec);
  disconnect(connection);
  return zoomed;
}

void TShowZoomed::LoadingFinished(int result) {
  if (!running_)
    return;
  try {
    QImage picture = loading_.TakeResult();
    if (result != QDialog::Accepted || picture.isNull()) {
      End(false);
      return;
    }
    if (beforeZoom_)
      beforeZoom_();
    // Let the windows under the closed preview repaint before the capture.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    QScreen* screen = QGuiApplication::screenAt(startRect_.center());
    if (!screen)
      screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const double dpr = screen ? screen->devicePixelRatio() : 1.0;
    // The picture comes in device pixels; the window is placed in logical
    // ones and shows the picture one to one on the device's pixels.
    const QSize logical = (QSizeF(picture.size()) / dpr).toSize().expandedTo(QSize(1, 1));
    const TScreenRect start = TScreenRect::FromQRect(startRect_).Translated(-area.x(), -area.y());
    target_ = ZoomTargetRect(logical.width(), logical.height(), start, area.width(), area.height())
                  .Translated(area.x(), area.y());
    QImage fitted = FitPicture(
        picture,
        (QSizeF(target_.Width(), target_.Height()) * dpr).toSize().expandedTo(QSize(1, 1)));
    fitted.setDevicePixelRatio(dpr);
    zoom_.SetPicture(std::move(fitted));
    zoom_.BeginZoom(start.Translated(area.x(), area.y()), target_);
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("aViewShowZoomed: "), ErrorText(e));
    End(false);
  }
}

void TShowZoomed::End(bool zoomed) {
  if (!running_)
    return;
  running_ = false;
  if (onEnd_) {
    try {
      onEnd_();
    } catch (const std::exception& e) {
      ShowError(QStringLiteral("aViewShowZoomed: "), ErrorText(e));
    }
  }
  Q_EMIT Finished(zoomed);
}

}  // namespace glimr
