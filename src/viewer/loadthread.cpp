#include "viewer/loadthread.h"

#include <algorithm>
#include <exception>

#include "glimr_plugin.h"

#include "viewer/rows24.h"
#include "viewer/viewerlog.h"
#include "viewer/zoomgeometry.h"

namespace glimr {

namespace {

bool IsUsable(const QImage& image) {
  return !image.isNull() && glimr_size_acceptable(image.width(), image.height()) &&
         image.bytesPerLine() >= glimr_bytes_per_row(image.width());
}

}  // namespace

QImage PrepareLoadedImage(QImage decoded, const TLoadRequest& request) {
  if (decoded.isNull())
    return {};
  if (decoded.format() != QImage::Format_BGR888)
    decoded = decoded.convertToFormat(QImage::Format_BGR888);
  if (!IsUsable(decoded))
    return {};
  const QSize full = decoded.size();
  const QSize capped =
      request.Screen.isEmpty() ? full : LoadCapSize(full.width(), full.height(), request.Screen);
  QImage picture;
  if (capped == full) {
    picture = std::move(decoded);
  } else {
    // Averaging whole blocks on the 24-bit rows first keeps the smooth scaler
    // (which works on 32-bit pixels) away from the full-size photo: a 24 MP
    // image would otherwise be converted whole, costing time and memory.
    const int factor = std::min(full.width() / capped.width(), full.height() / capped.height());
    const QImage reduced = factor >= 2 ? BoxReduceRows(decoded, factor) : decoded;
    decoded = QImage();  // the full-size rows are not needed any more
    picture = reduced.scaled(capped, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_BGR888);
  }
  if (picture.isNull())
    return {};
  return TurnAndMirror(std::move(picture), request.Angle, request.MirrorLeftRight,
                       request.MirrorTopBottom);
}

QImage TLoadThread::Run(const TLoadRequest& request) const {
  try {
    QImage decoded;
    {
      std::lock_guard<std::mutex> hold(*decodeLock_);
      if (decode_)
        decoded = decode_(request.FileName);
    }
    QImage picture = PrepareLoadedImage(std::move(decoded), request);
    if (picture.isNull())
      qCInfo(lcViewer) << "nothing to show for" << request.FileName;
    return picture;
  } catch (const std::exception& e) {
    qCWarning(lcViewer) << "loading" << request.FileName << "failed:" << e.what();
  } catch (...) {
    qCWarning(lcViewer) << "loading" << request.FileName << "failed";
  }
  return {};
}

}  // namespace glimr
