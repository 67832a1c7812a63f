#include "imaging/decode.h"

#include "catalog/imagefileinfo.h"
#include "imaging/plugins.h"

namespace glimr {

namespace {

// GetExtension keeps at most 100 characters of the extension; no plug-in
// supplies one that long, so the lookup is the same as on the whole text.
const TPlugin* PluginForPath(const TPlugins& plugins, const QString& path) {
  return plugins.PluginForExtension(GetExtension(path).toUpper());
}

}  // namespace

QImage DecodeFile(const TPlugins& plugins, const QString& path) {
  const TPlugin* plugin = PluginForPath(plugins, path);
  if (!plugin)
    return {};
  return plugin->FileBitmap(path);
}

TDecodedImage DecodeFileForThumbnail(const TPlugins& plugins, const QString& path,
                                     std::int32_t minSide) {
  TDecodedImage result;
  const TPlugin* plugin = PluginForPath(plugins, path);
  if (!plugin)
    return result;
  if (plugin->HasReducedDecode()) {
    // The reduced bitmap is smaller than the image; its true size comes
    // from the header, which the plug-in reads without decoding again.
    const QSize full = plugin->FileInfo(path);
    if (full.width() > 0 && full.height() > 0) {
      result.Bitmap = plugin->FileBitmapReduced(path, minSide);
      if (!result.Bitmap.isNull()) {
        result.FullSize = full;
        return result;
      }
    }
  }
  result.Bitmap = plugin->FileBitmap(path);
  if (!result.Bitmap.isNull())
    result.FullSize = result.Bitmap.size();
  return result;
}

}  // namespace glimr
