#include "imaging/plugin.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

#include "imaging/imaginglog.h"
#include "imaging/plugins.h"

namespace glimr {

namespace {

template <typename Fn>
Fn Lookup(void* handle, const char* name) {
  return reinterpret_cast<Fn>(dlsym(handle, name));
}

void FreeBlock(void* block) {
  std::free(block);
}

thread_local const std::atomic<bool>* tCallCancel = nullptr;

}  // namespace

TPluginCallCancel::TPluginCallCancel(const std::atomic<bool>* cancel) : previous_(tCallCancel) {
  tCallCancel = cancel;
}

TPluginCallCancel::~TPluginCallCancel() {
  tCallCancel = previous_;
}

bool TPluginCallCancel::Cancelled() {
  return tCallCancel && tCallCancel->load();
}

QImage AdoptPluginBitmap(GlimrBitmap* block) {
  if (!block)
    return {};
  if (block->width <= 0 || block->height <= 0 || !block->bits ||
      static_cast<std::int64_t>(block->bytes_per_row) <
          static_cast<std::int64_t>(block->width) * 3) {
    std::free(block);
    return {};
  }
  QImage image(block->bits, block->width, block->height, block->bytes_per_row,
               QImage::Format_BGR888, FreeBlock, block);
  // QImage refuses sizes it cannot address and then never calls the cleanup.
  if (image.isNull())
    std::free(block);
  return image;
}

TPlugin::TPlugin(TPlugins* owner) : owner_(owner) {}

TPlugin::~TPlugin() {
  Unload();
}

void TPlugin::Unload() {
  if (handle_)
    dlclose(handle_);
  handle_ = nullptr;
  loaded_ = false;
  getFileBitmap_ = nullptr;
  getFileInfo_ = nullptr;
  getPluginName_ = nullptr;
  getSupplyExtensions_ = nullptr;
  getFileBitmapReduced_ = nullptr;
  threadSafe_ = false;
  extensions_.clear();
}

bool TPlugin::Load(const QString& fileName) {
  Unload();
  fileName_ = fileName;
  const QByteArray encoded = fileName.toUtf8();
  // RTLD_LOCAL: every plug-in exports the same entry names, so their symbols
  // must not join the global namespace.
  handle_ = dlopen(encoded.constData(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    qCInfo(lcImaging) << "plug-in" << fileName << "does not load:" << dlerror();
    return false;
  }
  const auto getPluginType = Lookup<GlimrGetPluginTypeFn>(handle_, "GetPluginType");
  const char* type = getPluginType ? getPluginType() : nullptr;
  if (!type || std::strcmp(type, GLIMR_PLUGIN_TYPE) != 0) {
    qCInfo(lcImaging) << fileName << "is not a Glimr plug-in";
    Unload();
    return false;
  }
  getPluginName_ = Lookup<GlimrGetPluginNameFn>(handle_, "GetPluginName");
  getFileBitmap_ = Lookup<GlimrGetFileBitmapFn>(handle_, "GetFileBitmap");
  getFileInfo_ = Lookup<GlimrGetFileInfoFn>(handle_, "GetFileInfo");
  getSupplyExtensions_ = Lookup<GlimrGetSupplyExtensionsFn>(handle_, "GetSupplyExtensions");
  getFileBitmapReduced_ = Lookup<GlimrGetFileBitmapReducedFn>(handle_, "GetFileBitmapReduced");
  const auto getThreadSafe = Lookup<TGetPluginThreadSafeFn>(handle_, "GetPluginThreadSafe");
  threadSafe_ = getThreadSafe && getThreadSafe() != 0;
  if (!getPluginName_ || !getSupplyExtensions_) {
    qCInfo(lcImaging) << fileName << "lacks a required export";
    Unload();
    return false;
  }
  const char* name = getPluginName_();
  name_ = name ? QString::fromUtf8(name) : QString();
  // A damaged list could loop forever; no plug-in supplies this many.
  constexpr int kMaxExtensions = 10000;
  for (const GlimrExtNode* node = getSupplyExtensions_();
       node && extensions_.size() < kMaxExtensions; node = node->next) {
    if (node->extension)
      extensions_.append(QString::fromUtf8(node->extension));
  }
  loaded_ = true;
  if (owner_)
    owner_->RebuildExtensionMap();
  return true;
}

template <typename Call>
GlimrBitmap* TPlugin::Decode(Call call) const {
  std::unique_lock<std::mutex> turn(decodeMutex_, std::defer_lock);
  if (!threadSafe_)
    turn.lock();
  // Checked once the plug-in is free: a caller stopped while it waited
  // (the loader at a close) starts no decode it would have to wait for.
  if (TPluginCallCancel::Cancelled())
    return nullptr;
  return call();
}

QImage TPlugin::FileBitmap(const QString& path) const {
  if (!getFileBitmap_)
    return {};
  const QByteArray encoded = path.toUtf8();
  return AdoptPluginBitmap(Decode([&] { return getFileBitmap_(encoded.constData()); }));
}

QSize TPlugin::FileInfo(const QString& path) const {
  if (!getFileInfo_)
    return QSize(0, 0);
  const QByteArray encoded = path.toUtf8();
  GlimrImageSize size{0, 0};
  std::unique_lock<std::mutex> turn(infoMutex_, std::defer_lock);
  if (!threadSafe_)
    turn.lock();
  getFileInfo_(encoded.constData(), &size);
  return QSize(size.width, size.height);
}

QImage TPlugin::FileBitmapReduced(const QString& path, std::int32_t minSide) const {
  if (!getFileBitmapReduced_)
    return {};
  const QByteArray encoded = path.toUtf8();
  return AdoptPluginBitmap(
      Decode([&] { return getFileBitmapReduced_(encoded.constData(), minSide); }));
}

}  // namespace glimr
