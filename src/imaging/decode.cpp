#include "imaging/decode.h"

#include <QFile>

#include <cstring>

#include "catalog/imagefileinfo.h"
#include "imaging/plugins.h"

namespace glimr {

namespace {

// GetExtension keeps at most 100 characters of the extension; no plug-in
// supplies one that long, so the lookup is the same as on the whole text.
const TPlugin* PluginForPath(const TPlugins& plugins, const QString& path) {
  return plugins.PluginForExtension(GetExtension(path).toUpper());
}

// The plug-in the file's first bytes point to when it differs from the one
// of its extension (a PNG saved as .jpg, say); null otherwise.
const TPlugin* PluginForContent(const TPlugins& plugins, const QString& path,
                                const TPlugin* tried) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return nullptr;
  }
  const QString type = SniffImageType(file.read(32));
  const TPlugin* plugin = type.isEmpty() ? nullptr : plugins.PluginForExtension(type);
  return plugin != tried ? plugin : nullptr;
}

QImage FullDecode(const TPlugin& plugin, const QString& path) {
  return plugin.FileBitmap(path);
}

TDecodedImage ThumbnailDecode(const TPlugin& plugin, const QString& path, std::int32_t minSide) {
  TDecodedImage result;
  if (plugin.HasReducedDecode()) {
    // The reduced bitmap is smaller than the image; its true size comes
    // from the header, which the plug-in reads without decoding again.
    const QSize full = plugin.FileInfo(path);
    if (full.width() > 0 && full.height() > 0) {
      result.Bitmap = plugin.FileBitmapReduced(path, minSide);
      if (!result.Bitmap.isNull()) {
        result.FullSize = full;
        return result;
      }
    }
  }
  result.Bitmap = plugin.FileBitmap(path);
  if (!result.Bitmap.isNull())
    result.FullSize = result.Bitmap.size();
  return result;
}

}  // namespace

QString SniffImageType(const QByteArray& head) {
  const auto starts = [&head](const char* magic, int size, int at = 0) {
    return head.size() >= at + size && std::memcmp(head.constData() + at, magic, size) == 0;
  };
  if (starts("\xFF\xD8\xFF", 3))
    return QStringLiteral("JPG");
  if (starts("\x89PNG\r\n\x1A\n", 8))
    return QStringLiteral("PNG");
  if (starts("GIF87a", 6) || starts("GIF89a", 6))
    return QStringLiteral("GIF");
  if (starts("II*\0", 4) || starts("MM\0*", 4))
    return QStringLiteral("TIF");
  if (starts("RIFF", 4) && starts("WEBP", 4, 8))
    return QStringLiteral("WEBP");
  if (starts("BM", 2))
    return QStringLiteral("BMP");
  if (starts("ftyp", 4, 4)) {
    const QByteArray brand = head.mid(8, 4);
    if (brand == "avif" || brand == "avis")
      return QStringLiteral("AVIF");
    if (brand == "heic" || brand == "heix" || brand == "mif1" || brand == "msf1" ||
        brand == "heim" || brand == "heis" || brand == "hevc")
      return QStringLiteral("HEIC");
  }
  if (starts("\xFF\x0A", 2) || starts("\0\0\0\x0CJXL \r\n\x87\n", 12))
    return QStringLiteral("JXL");
  return {};
}

QImage DecodeFile(const TPlugins& plugins, const QString& path) {
  const TPlugin* plugin = PluginForPath(plugins, path);
  QImage image = plugin ? FullDecode(*plugin, path) : QImage();
  if (image.isNull()) {
    if (const TPlugin* other = PluginForContent(plugins, path, plugin)) {
      image = FullDecode(*other, path);
    }
  }
  return image;
}

TDecodedImage DecodeFileForThumbnail(const TPlugins& plugins, const QString& path,
                                     std::int32_t minSide) {
  const TPlugin* plugin = PluginForPath(plugins, path);
  TDecodedImage result = plugin ? ThumbnailDecode(*plugin, path, minSide) : TDecodedImage();
  if (result.Bitmap.isNull()) {
    if (const TPlugin* other = PluginForContent(plugins, path, plugin)) {
      result = ThumbnailDecode(*other, path, minSide);
    }
  }
  return result;
}

}  // namespace glimr
