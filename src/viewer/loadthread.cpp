#include "viewer/loadthread.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "viewer/rows24.h"
#include "viewer/viewerlog.h"
#include "viewer/zoomgeometry.h"

namespace glimr {

namespace {
struct FreeBitmap {
  void operator()(GlimrBitmap* b) const { std::free(b); }
};
using BitmapPtr = std::unique_ptr<GlimrBitmap, FreeBitmap>;
}  // namespace

QImage PrepareLoadedImage(const GlimrBitmap* decoded, const TLoadRequest& request) {
  if (!IsUsableBitmap(decoded))
    return {};
  const QSize full(decoded->width, decoded->height);
  const QSize capped =
      request.Screen.isEmpty() ? full : LoadCapSize(full.width(), full.height(), request.Screen);
  // Wraps the plug-in's rows without copying them; every path below makes a
  // deep copy before the bitmap is released.
  const QImage rows(decoded->bits, full.width(), full.height(), decoded->bytes_per_row,
                    QImage::Format_BGR888);
  QImage picture;
  if (capped == full) {
    picture = rows.copy();
  } else {
    // Averaging whole blocks on the 24-bit rows first keeps the smooth scaler
    // (which works on 32-bit pixels) away from the full-size photo: a 24 MP
    // image would otherwise be converted whole, costing time and memory.
    const int factor = std::min(full.width() / capped.width(), full.height() / capped.height());
    const QImage reduced = factor >= 2 ? BoxReduceRows(rows, factor) : rows;
    picture = reduced.scaled(capped, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_BGR888);
  }
  if (picture.isNull())
    return {};
  return TurnAndMirror(picture, request.Angle, request.MirrorLeftRight, request.MirrorTopBottom);
}

QImage TLoadThread::Run(const TLoadRequest& request) const {
  try {
    BitmapPtr decoded;
    {
      std::lock_guard<std::mutex> hold(*decodeLock_);
      if (decode_)
        decoded.reset(decode_(request.FileName));
    }
    QImage picture = PrepareLoadedImage(decoded.get(), request);
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
