#include "imaging/cache/pluginthumbmaker.h"

#include <algorithm>
#include <cstring>

#include "imaging/decode.h"
#include "imaging/scaler.h"
#include "imaging/plugins.h"

namespace glimr {

namespace {

// The thumbnail of a reduced decode, sized from the full image: the reduced
// bitmap's own proportions are rounded, and at a power-of-two boundary they
// could give a different thumbnail size than the full decode would.
TBitmap ThumbnailOfReduced(const TBitmap& reduced, QSize full, std::int32_t thumbSize) {
  const QSize target = ThumbnailSize(full.width(), full.height(), thumbSize);
  TBitmap inter(std::min(reduced.Width(), target.width()),
                std::min(reduced.Height(), target.height()));
  if (inter.IsNull()) {
    return {};
  }
  ShrinkBitmap(reduced, inter);
  if (inter.Width() == target.width() && inter.Height() == target.height()) {
    return inter;
  }
  TBitmap thumb(target.width(), target.height());
  if (thumb.IsNull()) {
    return {};
  }
  StretchBitmap(inter, thumb);
  return thumb;
}

}  // namespace

std::optional<TMadeThumb> TPluginThumbMaker::MakeThumb(const QString& path,
                                                       std::int32_t thumbSize) {
  TBitmap thumb;
  QSize full;
  {
    // The decoded image is the only large allocation of the pipeline; it
    // goes as soon as the thumbnail exists.
    TDecodedImage decoded = DecodeFileForThumbnail(plugins_, path, thumbSize);
    full = decoded.FullSize;
    if (decoded.Bitmap.IsNull() || full.width() <= 0 || full.height() <= 0) {
      return {};
    }
    if (decoded.Bitmap.Width() == full.width() && decoded.Bitmap.Height() == full.height()) {
      thumb = MakeThumbnail(decoded.Bitmap, thumbSize);
    } else {
      thumb = ThumbnailOfReduced(decoded.Bitmap, full, thumbSize);
    }
  }
  if (thumb.IsNull()) {
    return {};
  }
  SwapRedBlue(thumb);
  TMadeThumb made;
  made.Width = full.width();
  made.Height = full.height();
  made.Thumb.Allocate(thumb.Width(), thumb.Height());
  for (std::int32_t y = 0; y < thumb.Height(); ++y) {
    std::memcpy(made.Thumb.Row(y), thumb.Row(y), static_cast<std::size_t>(thumb.Width()) * 3);
  }
  return made;
}

}  // namespace glimr
