#include "imaging/decode.h"

#include "imaging/plugins.h"

namespace glimr {

QString ExtensionOfPath(const QString& path) {
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (dot < 0 || dot < slash)
    return QString();
  return path.mid(dot + 1);
}

TBitmap DecodeFile(const TPlugins& plugins, const QString& path) {
  const TPlugin* plugin = plugins.PluginForExtension(ExtensionOfPath(path).toUpper());
  if (!plugin)
    return {};
  return plugin->FileBitmap(path);
}

TDecodedImage DecodeFileForThumbnail(const TPlugins& plugins, const QString& path,
                                     std::int32_t minSide) {
  TDecodedImage result;
  const TPlugin* plugin = plugins.PluginForExtension(ExtensionOfPath(path).toUpper());
  if (!plugin)
    return result;
  if (plugin->HasReducedDecode()) {
    // The reduced bitmap is smaller than the image; its true size comes
    // from the header, which the plug-in reads without decoding again.
    const QSize full = plugin->FileInfo(path);
    if (full.width() > 0 && full.height() > 0) {
      result.Bitmap = plugin->FileBitmapReduced(path, minSide);
      if (!result.Bitmap.IsNull()) {
        result.FullSize = full;
        return result;
      }
    }
  }
  result.Bitmap = plugin->FileBitmap(path);
  if (!result.Bitmap.IsNull())
    result.FullSize = QSize(result.Bitmap.Width(), result.Bitmap.Height());
  return result;
}

}  // namespace glimr
