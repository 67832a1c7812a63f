#pragma once
// One loaded format plug-in library: its name, the extensions it supplies and
// its entry points. Loading follows the plug-in contract of glimr_plugin.h;
// the library is released when the object is destroyed. A plug-in that does
// not declare itself safe for several threads (the optional export
// GetPluginThreadSafe returning non-zero) is entered by one decode at a time
// and one header read at a time, whatever the callers hold.

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "glimr_plugin.h"

namespace glimr {

class TPlugins;

// The optional export by which a plug-in declares that its decodes and
// header reads may run on several threads at once: int
// GetPluginThreadSafe(void), non-zero for yes.
using TGetPluginThreadSafeFn = int (*)();

// A decode that its caller may give up while it waits for its turn: while
// an object of this class lives on a thread, a plug-in decode started on
// that thread that finds *cancel set (checked once the plug-in is free for
// it) returns a null image without entering the plug-in. Scopes nest.
class TPluginCallCancel {
 public:
  explicit TPluginCallCancel(const std::atomic<bool>* cancel);
  ~TPluginCallCancel();
  TPluginCallCancel(const TPluginCallCancel&) = delete;
  TPluginCallCancel& operator=(const TPluginCallCancel&) = delete;
  // Whether the innermost scope of this thread has been called off.
  static bool Cancelled();

 private:
  const std::atomic<bool>* previous_;
};

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
  // when the plug-in has no GetFileBitmap or cannot decode the file (or a
  // TPluginCallCancel of this thread called the decode off). Any thread.
  QImage FileBitmap(const QString& path) const;
  // Width and height from the file's header; (0, 0) without GetFileInfo.
  QSize FileInfo(const QString& path) const;
  // Whether the plug-in declared its entry points safe for several threads
  // at once; when not, its decodes are serialized by a lock of its own.
  bool ThreadSafe() const { return threadSafe_; }
  // Whether the plug-in offers the reduced decode for thumbnails.
  bool HasReducedDecode() const { return getFileBitmapReduced_ != nullptr; }
  // A decode with neither side below minSide (unless the image is smaller);
  // null when the plug-in has no reduced decode or it fails.
  QImage FileBitmapReduced(const QString& path, std::int32_t minSide) const;

 private:
  void Unload();
  // Runs a decode entry, one at a time unless the plug-in is thread-safe.
  template <typename Call>
  GlimrBitmap* Decode(Call call) const;

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
  bool threadSafe_ = false;
  // For a plug-in that is not thread-safe: its decodes (full or reduced)
  // take turns, and so do its header reads, which the contract lets run
  // beside a decode.
  mutable std::mutex decodeMutex_;
  mutable std::mutex infoMutex_;
};

}  // namespace glimr
