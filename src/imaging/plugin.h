#pragma once
// One loaded format plug-in library: its name, the extensions it supplies and
// its entry points. Loading follows the plug-in contract of glimr_plugin.h;
// the library is released when the object is destroyed.

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

#include "glimr_plugin.h"

namespace glimr {

class TPlugins;

// The image of a plug-in's bitmap block, without copying its rows: a
// QImage::Format_BGR888 over the block's pixels (rows top-down, the block's
// own padded stride) that frees the block with free() when its last copy
// goes. A block whose header is inconsistent (no pixels, an empty side, rows
// shorter than the width) is freed at once and gives a null image, as does
// nullptr.
QImage AdoptPluginBitmap(GlimrBitmap* block);

class TPlugin {
 public:
  explicit TPlugin(TPlugins* owner = nullptr);
  ~TPlugin();
  TPlugin(const TPlugin&) = delete;
  TPlugin& operator=(const TPlugin&) = delete;

  // Loads the library and checks it: it must answer "KPX" and export
  // GetPluginName and GetSupplyExtensions. On success reads the name and
  // extensions, marks the plug-in loaded and has the owner rebuild its
  // extension map. On failure the library is released; false.
  bool Load(const QString& fileName);

  TPlugins* Owner() const { return owner_; }
  bool Loaded() const { return loaded_; }
  const QString& Name() const { return name_; }
  const QString& FileName() const { return fileName_; }
  // As the plug-in reported them, in its order, duplicates kept.
  const QStringList& Extensions() const { return extensions_; }
  int ExtensionsCount() const { return extensions_.size(); }
  std::int32_t Priority() const { return priority_; }
  void SetPriority(std::int32_t p) { priority_ = p; }

  // The decoded image (Format_BGR888 over the plug-in's own block), or null
  // when the plug-in has no GetFileBitmap or cannot decode the file.
  // Callers hold DecodeLock.
  QImage FileBitmap(const QString& path) const;
  // Width and height from the file's header; (0, 0) without GetFileInfo.
  QSize FileInfo(const QString& path) const;
  // Whether the plug-in offers the reduced decode for thumbnails.
  bool HasReducedDecode() const { return getFileBitmapReduced_ != nullptr; }
  // A decode with neither side below minSide (unless the image is smaller);
  // null when the plug-in has no reduced decode or it fails.
  QImage FileBitmapReduced(const QString& path, std::int32_t minSide) const;

 private:
  void Unload();

  TPlugins* owner_;
  QStringList extensions_;
  bool loaded_ = false;
  QString name_;
  QString fileName_;
  void* handle_ = nullptr;
  std::int32_t priority_ = 0;
  GlimrGetFileBitmapFn getFileBitmap_ = nullptr;
  GlimrGetFileInfoFn getFileInfo_ = nullptr;
  GlimrGetPluginNameFn getPluginName_ = nullptr;
  GlimrGetSupplyExtensionsFn getSupplyExtensions_ = nullptr;
  GlimrGetFileBitmapReducedFn getFileBitmapReduced_ = nullptr;
};

}  // namespace glimr
