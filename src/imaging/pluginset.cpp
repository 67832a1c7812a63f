#include "imaging/pluginset.h"

#include "common/errors.h"
#include "imaging/decode.h"
#include "imaging/pluginregistration.h"
#include "imaging/plugins.h"
#include "imaging/imaginglog.h"

namespace glimr {

TPluginSetPtr LoadPluginSet(RegStore& store, const QString& pluginsDir) {
  RegisterShippedPlugins(store, pluginsDir);  // logs what it registered
  TPluginSetPtr plugins(new TPlugins(store));
  plugins->LoadPlugins();
  // Every registered library failed to load and was unregistered (the
  // program folder moved, say): register what ships here and load again.
  if (plugins->Count() == 0 && RegisterShippedPlugins(store, pluginsDir) > 0) {
    plugins.reset(new TPlugins(store));
    plugins->LoadPlugins();
  }
  return plugins;
}

void FreePluginSet(TPlugins* plugins) {
  delete plugins;
}

QStringList PluginExtensions(const TPlugins& plugins) {
  QStringList extensions;
  for (int i = 0; i < plugins.ExtensionCount(); ++i) {
    extensions << plugins.ExtensionAt(i);
  }
  return extensions;
}

TDecodeFunction PluginDecoder(const TPlugins& plugins) {
  const TPlugins* set = &plugins;
  return [set](const QString& path) -> GlimrBitmap* {
    try {
      return DecodeFile(*set, path).Release();
    } catch (const std::exception& e) {
      qCWarning(lcImaging) << "decode failed:" << path << ErrorText(e);
      return nullptr;
    }
  };
}

}  // namespace glimr
