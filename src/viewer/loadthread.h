#pragma once
// The full-image loader behind the loading preview: decodes one file under
// DecodeLock and prepares the picture for the zoom window (size cap, the
// thumbnail's quarter turn and mirrors). Takes values, returns a value.

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <mutex>

#include "imaging/decode.h"

namespace glimr {

struct TLoadRequest {
  QString FileName;              // full path
  double Angle = 0.0;            // only exactly 90, 180 and 270 turn the picture
  bool MirrorLeftRight = false;  // the thumbnail is shown mirrored left to right
  bool MirrorTopBottom = false;  // ... and top to bottom
  QSize Screen;                  // the cap is three quarters of this; empty: no cap
};

// The picture for a decoded image: capped, smoothly scaled, turned and
// mirrored, as a 24-bit bitmap (QImage::Format_BGR888). Null when the image
// is missing, empty, above the plug-in size limits or has rows shorter than
// a padded 24-bit row. A decoded image handed over as the only copy is
// reused when it needs no scaling, instead of being copied.
QImage PrepareLoadedImage(QImage decoded, const TLoadRequest& request);

class TLoadThread {
 public:
  TLoadThread(TDecodeFunction decode, std::mutex& decodeLock)
      : decode_(std::move(decode)), decodeLock_(&decodeLock) {}

  // The worker's run: decode under the lock, prepare outside it. Never
  // throws; a failure gives a null image.
  QImage Run(const TLoadRequest& request) const;

 private:
  TDecodeFunction decode_;
  std::mutex* decodeLock_;
};

}  // namespace glimr
