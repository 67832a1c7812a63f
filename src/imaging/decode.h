#pragma once
// Decoding an image file through the plug-in registered for its extension.
// Callers hold DecodeLock for the whole call: plug-ins are never entered by
// two threads at once. Images come back as QImage::Format_BGR888 over the
// plug-in's own block (see AdoptPluginBitmap): no copy of the rows.

#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>

namespace glimr {

class TPlugins;

// The image type a file's first bytes (32 are enough) show, as the
// extension its plug-in supplies ("JPG", "PNG", "WEBP", ...); "" when none
// is known.
QString SniffImageType(const QByteArray& head);

// The full image through the plug-in of the file's extension (compared in
// upper case); when that refuses the file or there is none, through the
// plug-in its first bytes point to (a file whose extension lies). Null when
// neither decodes it.
QImage DecodeFile(const TPlugins& plugins, const QString& path);

// A decode meant for a thumbnail of largest side minSide, with the same
// choice of plug-in: reduced when the plug-in offers it (neither side below minSide unless the
// image is smaller), the full image otherwise. FullSize is the image's own size, (0, 0) together
// with a null Bitmap when the file cannot be decoded.
struct TDecodedImage {
  QImage Bitmap;
  QSize FullSize;
};
TDecodedImage DecodeFileForThumbnail(const TPlugins& plugins, const QString& path,
                                     std::int32_t minSide);

// Decodes the file at a path into a new 24-bit image, or gives a null image.
// The full-image loader calls it on its worker thread while DecodeLock is
// held.
using TDecodeFunction = std::function<QImage(const QString& path)>;

}  // namespace glimr
