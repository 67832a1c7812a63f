#pragma once
// Makes a thumbnail from an image file through the format plug-ins: decode
// (reduced where the plug-in offers it), scale to a power-of-two thumbnail,
// put red first. The loader's workers call it side by side, so an
// implementation must be safe on several threads at once.

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>

namespace glimr {

struct TMadeThumb {
  std::int32_t Width = 0;  // size of the full image
  std::int32_t Height = 0;
  QImage Thumb;  // QImage::Format_RGB888: red, green, blue byte order
};

class TThumbMaker {
 public:
  virtual ~TThumbMaker() = default;
  // Nothing when no plug-in decodes the file or it decodes to an empty image.
  virtual std::optional<TMadeThumb> MakeThumb(const QString& path, std::int32_t thumbSize) = 0;
};

}  // namespace glimr
