#include "imaging/plugins.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

#include "common/errors.h"
#include "common/regstore.h"
#include "imaging/imaginglog.h"
#include "imaging/pluginregistration.h"

namespace glimr {

TPlugins::TPlugins(RegStore& store, QString shippedDir)
    : store_(store), shippedDir_(std::move(shippedDir)) {}

TPlugins::~TPlugins() = default;

void TPlugins::LoadPlugins() {
  const QString root = kPluginsKey;
  if (!store_.KeyExists(root))
    store_.CreateKey(root);
  // A subkey without CanLoadPlugin or PluginPriority takes the value of the
  // subkey before it (true and 0 for the first).
  bool canLoad = true;
  std::int32_t priority = 0;
  const QStringList names = store_.SubKeys(root);
  for (const QString& name : names) {
    const QString key = root + QLatin1Char('\\') + name;
    if (const auto v = store_.ReadDword(key, QStringLiteral("CanLoadPlugin")))
      canLoad = *v != 0;
    if (const auto v = store_.ReadDword(key, QStringLiteral("PluginPriority"))) {
      priority = static_cast<std::int32_t>(*v);
    }
    const auto fileName = store_.ReadString(key, QStringLiteral("PluginFileName"));
    if (!fileName || !canLoad)
      continue;
    QString library = *fileName;
    if (!shippedDir_.isEmpty()) {
      const QString shipped = QDir(shippedDir_).filePath(QFileInfo(library).fileName());
      if (shipped != library && QFileInfo(shipped).isFile()) {
        library = shipped;
      }
    }
    auto plugin = std::make_unique<TPlugin>(this);
    if (plugin->Load(library)) {
      plugin->SetPriority(priority);
      const QString pluginName = plugin->Name();
      plugins_.emplace_back(pluginName, std::move(plugin));
    } else {
      store_.DeleteKey(key);
    }
  }
  std::stable_sort(plugins_.begin(), plugins_.end(), [](const auto& a, const auto& b) {
    return a.second->Priority() < b.second->Priority();
  });
  RebuildExtensionMap();
  qCInfo(lcImaging) << plugins_.size() << "plug-ins," << extensions_.size() << "extensions";
}

void TPlugins::RebuildExtensionMap() {
  for (ExtEntry& e : extensions_)
    e.owner = nullptr;
  for (const auto& [name, plugin] : plugins_) {
    for (const QString& ext : plugin->Extensions()) {
      const QString upper = ext.toUpper();
      const auto it = extensionIndex_.constFind(upper);
      if (it == extensionIndex_.constEnd()) {
        extensionIndex_.insert(upper, static_cast<int>(extensions_.size()));
        extensions_.push_back(ExtEntry{ext, plugin.get()});
      } else if (!extensions_[*it].owner) {
        extensions_[*it].owner = plugin.get();
      }
    }
  }
}

QString TPlugins::ExtensionAt(int index) const {
  if (index < 0 || index >= ExtensionCount())
    return QString();
  return extensions_[index].extension;
}

TPlugin* TPlugins::PluginForExtension(const QString& extension) const {
  const auto it = extensionIndex_.constFind(extension.toUpper());
  return it == extensionIndex_.constEnd() ? nullptr : extensions_[*it].owner;
}

TPlugin* TPlugins::PluginAt(int index) const {
  if (index < 0 || index >= Count())
    return nullptr;
  return plugins_[index].second.get();
}

TPluginSetPtr LoadPluginSet(RegStore& store, const QString& pluginsDir) {
  RegisterShippedPlugins(store, pluginsDir);  // logs what it registered
  auto plugins = std::make_unique<TPlugins>(store, pluginsDir);
  plugins->LoadPlugins();
  // Every registered library failed to load and was unregistered (the
  // program folder moved, say): register what ships here and load again.
  if (plugins->Count() == 0 && RegisterShippedPlugins(store, pluginsDir) > 0) {
    plugins = std::make_unique<TPlugins>(store, pluginsDir);
    plugins->LoadPlugins();
  }
  return plugins;
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
  return [set](const QString& path) -> QImage {
    try {
      return DecodeFile(*set, path);
    } catch (const std::exception& e) {
      qCWarning(lcImaging) << "decode failed:" << path << ErrorText(e);
      return {};
    }
  };
}

}  // namespace glimr
