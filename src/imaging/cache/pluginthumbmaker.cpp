#include "imaging/cache/pluginthumbmaker.h"

#include "imaging/decode.h"
#include "imaging/plugins.h"
#include "imaging/scaler.h"

namespace glimr {

std::optional<TMadeThumb> TPluginThumbMaker::MakeThumb(const QString& path,
                                                       std::int32_t thumbSize) {
  QImage thumb;
  QSize full;
  {
    // The decoded image is the only large allocation of the pipeline; it
    // goes as soon as the thumbnail exists.
    TDecodedImage decoded = DecodeFileForThumbnail(plugins_, path, thumbSize);
    full = decoded.FullSize;
    if (decoded.Bitmap.isNull() || full.width() <= 0 || full.height() <= 0) {
      return {};
    }
    // A reduced decode is sized from the full image: its own rounded
    // proportions could give a different thumbnail size at a power-of-two
    // boundary than the full decode would.
    thumb = MakeThumbnail(decoded.Bitmap, full, thumbSize);
  }
  if (thumb.isNull()) {
    return {};
  }
  // Blue-green-red as decoded; the cache keeps red first (Format_RGB888).
  SwapRedBlue(thumb);
  TMadeThumb made;
  made.Width = full.width();
  made.Height = full.height();
  made.Thumb = std::move(thumb);
  return made;
}

}  // namespace glimr
